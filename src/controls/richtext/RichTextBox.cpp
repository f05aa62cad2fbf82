#include "controls/richtext/RichTextBox.h"

#include "base/platform/PlatformServices.h"
#include "codec/rtf/HtmlToRtf.h"
#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfQtFormats.h"
#include "codec/rtf/RtfReader.h"
#include "codec/rtf/RtfToHtml.h"
#include "codec/rtf/RtfWriter.h"

#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextList>

namespace OrvVelmora {

namespace {

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
        (modifiers & Qt::AltModifier ? 4 : 0);
}

/// The one value that every character of the selection has, or none. A
/// caret without selection answers for the format that typing would use.
template<typename T, typename Get>
std::optional<T> uniformChars(const QTextCursor &cursor, const QFont &defaultFont, Get get)
{
    if (!cursor.hasSelection())
        return get(RtfQtFormats::charStyle(cursor.charFormat(), defaultFont));
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<T> value;
    for (QTextBlock block = cursor.document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() >= end || fragment.position() + fragment.length() <= start)
                continue;
            const T current = get(RtfQtFormats::charStyle(fragment.charFormat(), defaultFont));
            if (value && !(*value == current))
                return std::nullopt;
            value = current;
        }
    }
    return value;
}

/// The one value that every selected paragraph has, or none.
template<typename T, typename Get>
std::optional<T> uniformBlocks(const QTextCursor &cursor, Get get)
{
    const QTextDocument *document = cursor.document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    std::optional<T> value;
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        const T current = get(block);
        if (value && !(*value == current))
            return std::nullopt;
        value = current;
        if (block == last)
            break;
    }
    return value;
}

template<typename Change>
void forSelectedBlocks(QTextCursor cursor, Change change)
{
    const QTextDocument *document = cursor.document();
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    cursor.beginEditBlock();
    for (QTextBlock block = document->findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        change(block);
        if (block == last)
            break;
    }
    cursor.endEditBlock();
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(true);
    // Tab moves on to the next control, as everywhere in a form; Ctrl+Tab types a tab.
    setTabChangesFocus(true);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RichTextBox::noteSelection);
    connect(this, &QTextEdit::selectionChanged, this, &RichTextBox::noteSelection);
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::Text() const
{
    return toPlainText();
}

void RichTextBox::setText(const QString &text)
{
    // Plain text takes the box's default font, not whatever format the caret
    // had; and while Qt swaps the content the caret briefly has no document.
    m_loading = true;
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(text);
    m_loading = false;
    contentReplaced();
}

// The send run asks for the source once per recipient and writing it is the
// costly part, so the text is kept until the document (or its default font,
// which the font table names) changes.
QString RichTextBox::TextRTF() const
{
    QTextDocument *doc = document();
    const QString fontKey = doc->defaultFont().toString();
    if (m_rtfCacheDocument != doc) {
        QObject::disconnect(m_rtfCacheConnection);
        m_rtfCacheConnection =
            QObject::connect(doc, &QTextDocument::contentsChanged, this, [this] { m_rtfCacheValid = false; });
        m_rtfCacheDocument = doc;
        m_rtfCacheValid = false;
    }
    if (!m_rtfCacheValid || m_rtfCacheFont != fontKey) {
        m_rtfCache = QString::fromLatin1(RtfWriter::write(*doc));
        m_rtfCacheFont = fontKey;
        m_rtfCacheValid = true;
    }
    return m_rtfCache;
}

bool RichTextBox::setTextRTF(const QString &rtf)
{
    return loadRtf(RtfReader::fromText(rtf));
}

bool RichTextBox::LoadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > RtfReader::Limits().maxInputBytes)
        return false;
    return loadRtf(file.readAll());
}

bool RichTextBox::SaveFile(const QString &path) const
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(RtfWriter::write(*document())) >= 0 && file.commit();
}

bool RichTextBox::loadRtf(const QByteArray &rtf)
{
    // Building moves the caret with every insertion; the owner hears of the
    // new content once, afterwards.
    m_loading = true;
    const bool loaded = RtfDocumentBuilder::load(rtf, *document());
    if (loaded)
        moveCursor(QTextCursor::Start);
    m_loading = false;
    if (loaded)
        contentReplaced();
    return loaded;
}

void RichTextBox::contentReplaced()
{
    m_lastAnchor = -1;
    noteSelection();
}

std::optional<QString> RichTextBox::SelFontName() const
{
    return uniformChars<QString>(textCursor(), document()->defaultFont(),
                                 [](const RtfCharStyle &style) { return style.fontFamily; });
}

void RichTextBox::setSelFontName(const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    mergeCurrentCharFormat(format);
}

std::optional<double> RichTextBox::SelFontSize() const
{
    return uniformChars<double>(textCursor(), document()->defaultFont(),
                                [](const RtfCharStyle &style) { return style.halfPoints / 2.0; });
}

void RichTextBox::setSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelBold() const
{
    return uniformChars<bool>(textCursor(), document()->defaultFont(),
                              [](const RtfCharStyle &style) { return style.bold; });
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return uniformChars<bool>(textCursor(), document()->defaultFont(),
                              [](const RtfCharStyle &style) { return style.italic; });
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return uniformChars<bool>(textCursor(), document()->defaultFont(),
                              [](const RtfCharStyle &style) { return style.underline; });
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeCurrentCharFormat(format);
}

std::optional<QColor> RichTextBox::SelColor() const
{
    const QRgb text = palette().color(QPalette::Text).rgb();
    return uniformChars<QColor>(textCursor(), document()->defaultFont(),
                                [text](const RtfCharStyle &style) { return QColor(style.color.value_or(text)); });
}

void RichTextBox::setSelColor(const QColor &color)
{
    QTextCharFormat format;
    format.setForeground(color);
    mergeCurrentCharFormat(format);
}

std::optional<int> RichTextBox::SelAlignment() const
{
    return uniformBlocks<int>(textCursor(), [](const QTextBlock &block) {
        const Qt::Alignment alignment = block.blockFormat().alignment();
        if (alignment & Qt::AlignRight)
            return 1;
        return alignment & Qt::AlignHCenter ? 2 : 0;
    });
}

void RichTextBox::setSelAlignment(int alignment)
{
    setAlignment(alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft);
}

std::optional<bool> RichTextBox::SelBullet() const
{
    return uniformBlocks<bool>(textCursor(), [](const QTextBlock &block) { return block.textList() != nullptr; });
}

void RichTextBox::setSelBullet(bool on)
{
    // Paragraphs that get bullets join a list already among the selection,
    // so one selection becomes one list.
    QTextList *list = nullptr;
    forSelectedBlocks(textCursor(), [&list](const QTextBlock &block) {
        if (!list)
            list = block.textList();
    });
    forSelectedBlocks(textCursor(), [on, &list](const QTextBlock &block) {
        QTextCursor cursor(block);
        if (!on) {
            if (QTextList *old = block.textList()) {
                old->remove(block);
                QTextBlockFormat format = block.blockFormat();
                format.setIndent(0);
                cursor.setBlockFormat(format);
            }
        } else if (!block.textList()) {
            if (list) {
                list->add(block);
            } else {
                QTextListFormat format;
                format.setStyle(QTextListFormat::ListDisc);
                list = cursor.createList(format);
            }
        }
    });
}

std::optional<int> RichTextBox::SelIndent() const
{
    return uniformBlocks<int>(textCursor(), [](const QTextBlock &block) {
        return RtfQtFormats::pixelsToTwips(block.blockFormat().leftMargin());
    });
}

void RichTextBox::setSelIndent(int twips)
{
    forSelectedBlocks(textCursor(), [twips](const QTextBlock &block) {
        QTextBlockFormat format;
        format.setLeftMargin(RtfQtFormats::twipsToPixels(std::max(0, twips)));
        QTextCursor(block).mergeBlockFormat(format);
    });
}

int RichTextBox::BulletIndent() const
{
    return RtfQtFormats::pixelsToTwips(document()->indentWidth());
}

void RichTextBox::setBulletIndent(int twips)
{
    document()->setIndentWidth(RtfQtFormats::twipsToPixels(std::max(0, twips)));
}

int RichTextBox::RightMargin() const
{
    return m_rightMarginTwips;
}

void RichTextBox::setRightMargin(int twips)
{
    m_rightMarginTwips = twips;
    if (twips <= 0) {
        setLineWrapMode(QTextEdit::WidgetWidth);
        return;
    }
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(qRound(RtfQtFormats::twipsToPixels(twips)));
}

QString RichTextBox::SelRTF() const
{
    return QString::fromLatin1(RtfWriter::write(textCursor().selection(), *document()));
}

void RichTextBox::setSelRTF(const QString &rtf)
{
    insertRich(RtfReader::fromText(rtf), rtf);
}

void RichTextBox::insertRich(const QByteArray &rtf, const QString &asText)
{
    if (!RtfReader::accepts(rtf)) {
        insertPlainText(asText);
        return;
    }
    QTextDocument source;
    source.setDefaultFont(document()->defaultFont());
    source.setIndentWidth(document()->indentWidth());
    RtfDocumentBuilder::load(rtf, source);
    textCursor().insertFragment(QTextDocumentFragment(&source));
    ensureCursorVisible();
}

QColor RichTextBox::BackColor() const
{
    return palette().color(QPalette::Base);
}

void RichTextBox::setBackColor(const QColor &color)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Base, color);
    setPalette(colors);
}

void RichTextBox::Cut()
{
    if (!textCursor().hasSelection() || isReadOnly())
        return;
    Copy();
    textCursor().removeSelectedText();
}

void RichTextBox::Copy() const
{
    PlatformServices &services = PlatformServices::instance();
    if (!textCursor().hasSelection() || !services.clipboardAvailable())
        return;
    services.clipboardSet(selectionFormats());
}

QMap<QString, QByteArray> RichTextBox::selectionFormats() const
{
    const QByteArray rtf = RtfWriter::write(textCursor().selection(), *document());
    QMap<QString, QByteArray> formats;
    formats.insert(QString::fromLatin1(kMimeRtf), rtf);
    formats.insert(QString::fromLatin1(kMimePlain), textCursor().selection().toPlainText().toUtf8());
    formats.insert(QString::fromLatin1(kMimeHtml), RtfToHtml::convert(rtf).value_or(QString()).toUtf8());
    return formats;
}

// RTF first, as word processors offer it; then HTML, which browsers offer
// (alone, at times), through the same reader; plain text last.
void RichTextBox::Paste()
{
    const PlatformServices &services = PlatformServices::instance();
    if (isReadOnly() || !services.clipboardAvailable())
        return;
    const auto offered = [&services](const char *mime) { return services.clipboardHasFormat(QLatin1String(mime)); };
    const auto bytes = [&services](const char *mime) { return services.clipboardData(QLatin1String(mime)); };
    if (offered(kMimeRtf))
        insertRich(bytes(kMimeRtf), QString::fromUtf8(bytes(kMimeRtf)));
    else if (offered(kMimeHtml))
        insertHtml(bytes(kMimeHtml), offered(kMimePlain) ? QString::fromUtf8(bytes(kMimePlain)) : QString());
    else if (offered(kMimePlain))
        insertRich(bytes(kMimePlain), QString::fromUtf8(bytes(kMimePlain)));
}

void RichTextBox::insertHtml(const QByteArray &html, const QString &plain)
{
    QString words;
    const QByteArray rtf = HtmlToRtf::convert(html, &words);
    // Markup that leaves no words behind (a picture alone, or nothing Qt can
    // read) still pastes the text the source offered beside it.
    if (words.trimmed().isEmpty() && !plain.trimmed().isEmpty())
        return insertPlainText(plain);
    insertRich(rtf, words);
}

void RichTextBox::Undo()
{
    undo();
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    // The standard shortcuts would reach QClipboard directly; the clipboard is
    // the platform services' business.
    if (event->matches(QKeySequence::Copy))
        Copy();
    else if (event->matches(QKeySequence::Cut))
        Cut();
    else if (event->matches(QKeySequence::Paste))
        Paste();
    else if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier)
        insertPlainText(QStringLiteral("\t"));
    else if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier))
        Q_EMIT ContextMenuKey(viewport()->mapToGlobal(cursorRect().bottomLeft()));
    else
        QTextEdit::keyPressEvent(event);
}

void RichTextBox::mousePressEvent(QMouseEvent *event)
{
    QTextEdit::mousePressEvent(event);
    Q_EMIT MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), event->position().toPoint());
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    Q_EMIT MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), event->position().toPoint());
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The owner opens its own menu on the right button's MouseUp; a menu
    // key the desktop reports as a context-menu request counts as the key.
    if (event->reason() == QContextMenuEvent::Keyboard)
        Q_EMIT ContextMenuKey(viewport()->mapToGlobal(cursorRect().bottomLeft()));
    event->accept();
}

QMimeData *RichTextBox::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    const QMap<QString, QByteArray> formats = selectionFormats();
    for (auto it = formats.cbegin(); it != formats.cend(); ++it)
        mime->setData(it.key(), it.value());
    return mime;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(QString::fromLatin1(kMimeRtf)) || source->hasHtml() || source->hasText();
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (source->hasFormat(QString::fromLatin1(kMimeRtf))) {
        const QByteArray bytes = source->data(QString::fromLatin1(kMimeRtf));
        insertRich(bytes, QString::fromUtf8(bytes));
    } else if (source->hasHtml()) {
        insertHtml(source->data(QString::fromLatin1(kMimeHtml)), source->text());
    } else if (source->hasText()) {
        insertPlainText(source->text());
    }
}

void RichTextBox::noteSelection()
{
    const QTextCursor cursor = textCursor();
    if (m_loading || cursor.isNull() || (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition))
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    Q_EMIT SelChange();
}

} // namespace OrvVelmora
