#include "codec/rtf/RtfWriter.h"

#include "codec/rtf/RtfEscape.h"

#include "codec/rtf/RtfQtFormats.h"
#include "codec/rtf/RtfStyles.h"

#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

namespace OrvVelmora {

namespace {

const QString kSymbolFont = QStringLiteral("Symbol");

struct Run
{
    QString text;
    RtfCharStyle style;
};

/// One writing of one document: tables first, since the body refers to them.
class DocumentWriter
{
public:
    explicit DocumentWriter(const QTextDocument &document)
        : m_document(document)
        , m_defaultFont(document.defaultFont())
        , m_indentWidth(document.indentWidth())
    {
    }

    QByteArray write();

private:
    QList<Run> runsOf(const QTextBlock &block) const;
    void collectTables();
    void header();
    void paragraph(const QTextBlock &block);
    void paragraphFormat(const RtfParaStyle &style, const QTextBlock &block);
    void listMarker(const RtfParaStyle &style, const QTextBlock &block);
    void runFormat(const RtfCharStyle &style);
    void text(QStringView text, bool groupUnicode = true);
    int colorIndex(const std::optional<QRgb> &color) const { return color ? m_colors.value(*color) : 0; }
    void word(const char *letters, int value) { m_out += '\\' + QByteArray(letters) + QByteArray::number(value); }
    void word(const char *letters) { m_out += '\\' + QByteArray(letters); }

    const QTextDocument &m_document;
    const QFont m_defaultFont;
    const qreal m_indentWidth;
    QByteArray m_out;
    QStringList m_fontNames;
    QHash<QString, int> m_fonts;
    QList<QRgb> m_colorList;
    QHash<QRgb, int> m_colors;
    bool m_bullets = false;
};

QByteArray DocumentWriter::write()
{
    collectTables();
    header();
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next())
        paragraph(block);
    m_out += "}\r\n";
    return m_out;
}

QList<Run> DocumentWriter::runsOf(const QTextBlock &block) const
{
    QList<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        RtfCharStyle style = RtfQtFormats::charStyle(fragment.charFormat(), m_defaultFont);
        // Fragments of equal look are one run, whatever split them in the document.
        if (!runs.isEmpty() && runs.last().style == style)
            runs.last().text += fragment.text();
        else
            runs.append(Run{fragment.text(), std::move(style)});
    }
    return runs;
}

void DocumentWriter::collectTables()
{
    auto addFont = [this](const QString &family) {
        if (!m_fonts.contains(family)) {
            m_fonts.insert(family, int(m_fontNames.size()));
            m_fontNames.append(family);
        }
    };
    auto addColor = [this](const std::optional<QRgb> &color) {
        if (color && !m_colors.contains(*color)) {
            m_colorList.append(*color);
            m_colors.insert(*color, int(m_colorList.size()));
        }
    };
    addFont(m_defaultFont.family());
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        m_bullets = m_bullets || block.textList();
        const RtfCharStyle blockStyle = RtfQtFormats::charStyle(block.charFormat(), m_defaultFont);
        addFont(blockStyle.fontFamily);
        for (const Run &run : runsOf(block)) {
            addFont(run.style.fontFamily);
            addColor(run.style.color);
            addColor(run.style.background);
        }
    }
    if (m_bullets)
        addFont(kSymbolFont);
}

void DocumentWriter::header()
{
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    for (int i = 0; i < m_fontNames.size(); ++i) {
        m_out += "{\\f" + QByteArray::number(i) + (m_fontNames[i] == kSymbolFont ? "\\fcharset2 " : "\\fcharset0 ");
        QString name = m_fontNames[i];
        text(name.remove(u';'), false);
        m_out += ";}";
    }
    m_out += "}\r\n{\\colortbl ;";
    for (QRgb color : m_colorList) {
        m_out += "\\red" + QByteArray::number(qRed(color)) + "\\green" + QByteArray::number(qGreen(color)) + "\\blue" +
            QByteArray::number(qBlue(color)) + ';';
    }
    m_out += "}\r\n\\viewkind4\r\n";
}

void DocumentWriter::paragraph(const QTextBlock &block)
{
    const RtfParaStyle style = RtfQtFormats::paraStyle(block, m_indentWidth);
    m_out += "\\pard";
    paragraphFormat(style, block);
    const QList<Run> runs = runsOf(block);
    if (runs.isEmpty())
        runFormat(RtfQtFormats::charStyle(block.charFormat(), m_defaultFont));
    for (const Run &run : runs) {
        runFormat(run.style);
        m_out += ' ';
        text(run.text);
    }
    m_out += "\\par\r\n";
}

void DocumentWriter::paragraphFormat(const RtfParaStyle &style, const QTextBlock &block)
{
    static constexpr const char *kAlignment[] = {"ql", "qr", "qc", "qj"};
    word(kAlignment[int(style.alignment)]);
    if (style.leftIndent)
        word("li", style.leftIndent);
    if (style.rightIndent)
        word("ri", style.rightIndent);
    if (style.firstLineIndent)
        word("fi", style.firstLineIndent);
    if (style.spaceBefore)
        word("sb", style.spaceBefore);
    if (style.spaceAfter)
        word("sa", style.spaceAfter);
    if (style.lineSpacing) {
        word("sl", style.lineSpacing);
        word("slmult", style.lineMultiple ? 1 : 0);
    }
    if (style.listItem) {
        listMarker(style, block);
        // \pn has no nesting; \ilvl carries the level for readers that know it.
        if (style.level > 0)
            word("ilvl", style.level);
    }
}

// The marker as text for readers without lists, and as {\*\pn} for those
// with them. The number written is the item's own, so a list that goes on
// after a deeper level keeps counting in either reader.
void DocumentWriter::listMarker(const RtfParaStyle &style, const QTextBlock &block)
{
    using Numbering = RtfParaStyle::Numbering;
    if (style.numbering == Numbering::Bullet) {
        const QByteArray symbol = QByteArray::number(m_fonts.value(kSymbolFont));
        m_out +=
            "{\\pntext\\f" + symbol + "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + symbol + "\\pnindent0{\\pntxtb\\'B7}}";
        return;
    }
    static constexpr const char *kKinds[] = {"pndec", "pndec", "pnlcltr", "pnucltr", "pnlcrm", "pnucrm"};
    QString number = block.textList()->itemText(block);
    if (number.endsWith(u'.'))
        number.chop(1);
    m_out += "{\\pntext\\f" + QByteArray::number(m_fonts.value(m_defaultFont.family())) + ' ';
    text(number);
    m_out += ".\\tab}{\\*\\pn\\pnlvlbody\\pnindent0\\";
    m_out += kKinds[int(style.numbering)];
    m_out += "{\\pntxta .}}";
}

void DocumentWriter::runFormat(const RtfCharStyle &style)
{
    word("plain");
    word("f", m_fonts.value(style.fontFamily));
    word("fs", style.halfPoints);
    if (style.bold)
        word("b");
    if (style.italic)
        word("i");
    if (style.underline)
        word("ul");
    if (style.strike)
        word("strike");
    if (style.vertical == RtfCharStyle::Vertical::Superscript)
        word("super");
    if (style.vertical == RtfCharStyle::Vertical::Subscript)
        word("sub");
    if (style.color)
        word("cf", colorIndex(style.color));
    if (style.background)
        word("highlight", colorIndex(style.background));
}

void DocumentWriter::text(QStringView text, bool groupUnicode)
{
    // U+FFFC stands for an embedded object, which is not written.
    const RtfUnicodeStyle style = groupUnicode ? RtfUnicodeStyle::Grouped : RtfUnicodeStyle::Bare;
    qsizetype start = 0;
    for (qsizetype at = text.indexOf(QChar(0xFFFC)); at >= 0; at = text.indexOf(QChar(0xFFFC), start)) {
        m_out += rtfEscape(text.mid(start, at - start), style);
        start = at + 1;
    }
    m_out += rtfEscape(text.mid(start), style);
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument &document)
{
    return DocumentWriter(document).write();
}

QByteArray RtfWriter::write(const QTextDocumentFragment &fragment, const QTextDocument &source)
{
    QTextDocument copy;
    copy.setDefaultFont(source.defaultFont());
    copy.setIndentWidth(source.indentWidth());
    QTextCursor(&copy).insertFragment(fragment);
    return write(copy);
}

} // namespace OrvVelmora
