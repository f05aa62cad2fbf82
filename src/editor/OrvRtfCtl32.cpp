#include "editor/OrvRtfCtl32.h"

#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "editor/DocumentCommands.h"
#include "editor/EditorToolBarDefinition.h"
#include "editor/FontSizeText.h"
#include "editor/PropertyBag.h"
#include "editor/TitleStrip.h"
#include "editor/ToolDispatcher.h"
#include "editor/ToolIds.h"
#include "editor/ToolStateSync.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

// The look as designed, in twips.
constexpr int kTitleHeight = 330;
constexpr int kLabelLeft = 120;
constexpr int kLabelTop = 45;
constexpr int kToolPanelHeight = 390;
constexpr int kTextLeft = 300;
constexpr int kTextGap = 150;
constexpr int kRightMarginInset = 480;
constexpr int kBulletIndent = 300;
constexpr int kTwipsPerInch = 1440;

QStringList fontSizes()
{
    QStringList sizes;
    for (int size : {8, 9, 10, 11, 12})
        sizes << QString::number(size);
    for (int size = 14; size <= 28; size += 2)
        sizes << QString::number(size);
    sizes << QStringLiteral("36");
    return sizes;
}

QStringList screenFonts()
{
    QStringList fonts = QFontDatabase::families();
    fonts.removeAll(QString());
    return fonts;
}

QVariant colorVariant(ColorValue color)
{
    return QVariant::fromValue<uint>(color.value());
}

/// A saved value that is no colour number reads as the default.
ColorValue readColor(const PropertyBag &bag, const QString &key, ColorValue defaultValue)
{
    bool ok = false;
    const uint value = bag.ReadProperty(key, colorVariant(defaultValue)).toUInt(&ok);
    return ok ? ColorValue(value) : defaultValue;
}

/// A saved value that is no font reads as the default.
QFont readFont(const PropertyBag &bag, const QString &key, const QFont &defaultFont)
{
    const QVariant value = bag.ReadProperty(key, defaultFont);
    return value.metaType() == QMetaType::fromType<QFont>() ? value.value<QFont>() : defaultFont;
}

} // namespace

OrvRtfCtl32::OrvRtfCtl32(QWidget *parent)
    : QWidget(parent)
{
    buildControls();
    connectControls();
    addShortcuts();
    Initialize();
    // The designed look: the workspace shows the colour the property starts with.
    applyWorkspaceColor();
}

OrvRtfCtl32::~OrvRtfCtl32()
{
    // The helpers go before the child widgets do; nothing a dying child
    // reports may reach them.
    disconnect(m_mainRTF, nullptr, this, nullptr);
    disconnect(m_mainToolBar, nullptr, this, nullptr);
}

void OrvRtfCtl32::buildControls()
{
    buildTitle();
    m_sspToolBar = new QWidget(this);
    m_sspToolBar->setObjectName(QStringLiteral("sspToolBar"));
    m_mainToolBar = new ToolBarControl(editorToolBarDefinition(), m_sspToolBar);
    m_mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    auto *panelLayout = new QVBoxLayout(m_sspToolBar);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_mainToolBar);

    m_mainRTF = new RichTextBox(this);
    m_mainRTF->setObjectName(QStringLiteral("mainRTF"));
    m_mainRTF->setFrameShape(QFrame::NoFrame);
    m_documents = std::make_unique<DocumentCommands>(*m_mainRTF);
    m_dispatcher = std::make_unique<ToolDispatcher>(*m_mainToolBar, *m_mainRTF, *m_documents);
    m_stateSync = std::make_unique<ToolStateSync>(*m_mainToolBar, *m_mainRTF);
    // Not a Tab stop itself (a focus proxy would make it one, ahead of its
    // toolbar): Tab reaches the toolbar and then the text; focus given to the
    // control goes on to the text.
    setFocusPolicy(Qt::ClickFocus);
    // The toolbar comes before the text, as it stands above it.
    m_mainToolBar->setNextInTabOrder(m_mainRTF);
}

void OrvRtfCtl32::buildTitle()
{
    m_mainTitle = new TitleStrip(this);
    m_mainTitle->setObjectName(QStringLiteral("mainTitle"));
    QLabel *label = m_mainTitle->label();
    label->setObjectName(QStringLiteral("lblTitle"));
    label->setText(QStringLiteral("Titel"));
    QFont titleFont = ambientFont();
    titleFont.setBold(true);
    label->setFont(titleFont);
    QPalette titlePalette = label->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(titlePalette);
    m_mainTitle->setLabelOffset(QPoint(twipsToPixelsX(kLabelLeft), twipsToPixelsY(kLabelTop)));
}

void OrvRtfCtl32::connectControls()
{
    connect(m_mainToolBar, &ToolBarControl::ToolClick, this,
            [this](const QString &id) { m_dispatcher->ToolClick(id); });
    connect(m_mainToolBar, &ToolBarControl::ComboChange, this,
            [this](const QString &id) { m_dispatcher->ComboChange(id); });
    connect(m_mainRTF, &RichTextBox::SelChange, this, [this] { m_stateSync->SelChange(); });
    connect(m_mainRTF, &RichTextBox::MouseUp, this, [this](int button) {
        if (button == 2)
            m_mainToolBar->showPopupMenu(QStringLiteral("popMenu"), -1, -1);
    });
    // From the keyboard the menu opens at the caret, where the mouse may not be.
    connect(m_mainRTF, &RichTextBox::ContextMenuKey, this,
            [this](QPoint caret) { m_mainToolBar->showPopupMenu(QStringLiteral("popMenu"), caret.x(), caret.y()); });
    connect(m_mainToolBar, &ToolBarControl::EscapePressed, this, [this] { m_mainRTF->setFocus(Qt::OtherFocusReason); });
}

void OrvRtfCtl32::addShortcuts()
{
    // The usual keys of word processors click the same tools as the mouse does.
    const std::pair<QLatin1String, QKeySequence::StandardKey> keys[] = {
        {ToolId::FormatBold, QKeySequence::Bold},
        {ToolId::FormatItalic, QKeySequence::Italic},
        {ToolId::FormatUnderline, QKeySequence::Underline}};
    for (const auto &[id, key] : keys) {
        if (QAction *action = m_mainToolBar->tool(id)) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(action);
        }
    }
    // F10 (or Alt+F10, as in word processors) jumps from the text to the toolbar.
    auto *toTools = new QAction(this);
    toTools->setShortcuts({QKeySequence(Qt::Key_F10), QKeySequence(Qt::ALT | Qt::Key_F10)});
    toTools->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(toTools, &QAction::triggered, m_mainToolBar, &ToolBarControl::focusTools);
    addAction(toTools);
}

void OrvRtfCtl32::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_mainRTF->setFocus(event->reason());
}

void OrvRtfCtl32::Initialize()
{
    initializeCombos();
    m_mainToolBar->setChecked(ToolId::FormatAlignLeft, true);
    initializeTextBox();
}

void OrvRtfCtl32::initializeCombos()
{
    m_mainToolBar->setComboStyle(ToolId::FormatFont, 3);
    m_mainToolBar->setComboStyle(ToolId::FormatFontSize, 1);
    m_mainToolBar->setComboList(ToolId::FormatFont, screenFonts());
    m_mainToolBar->setComboText(ToolId::FormatFont, QStringLiteral("Arial"));
    m_mainToolBar->setComboList(ToolId::FormatFontSize, fontSizes());
    m_mainToolBar->setComboText(ToolId::FormatFontSize, QStringLiteral("10"));
}

void OrvRtfCtl32::initializeTextBox()
{
    m_mainRTF->setBulletIndent(kBulletIndent);
    const QString fontName = m_mainToolBar->comboText(ToolId::FormatFont).value_or(QStringLiteral("Arial"));
    QFont font = m_mainRTF->font();
    font.setFamily(fontName);
    font.setPointSize(10);
    font.setBold(false);
    font.setUnderline(false);
    font.setItalic(false);
    m_mainRTF->setFont(font);
    m_mainRTF->setSelFontName(fontName);
    m_mainRTF->setSelFontSize(
        FontSizeText::parse(m_mainToolBar->comboText(ToolId::FormatFontSize).value_or(QString())).value_or(10));
    m_mainRTF->setSelBold(false);
    m_mainRTF->setSelUnderline(false);
    m_mainRTF->setSelItalic(false);
    m_mainRTF->setSelAlignment(0);
}

void OrvRtfCtl32::setCaptionForeColor(ColorValue color)
{
    m_captionForeColor = color;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionForeColor"));
    applyCaptionForeColor();
}

void OrvRtfCtl32::setCaptionBackColor(ColorValue color)
{
    m_captionBackColor = color;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionBackColor"));
    m_mainTitle->setGradientColors(m_captionBackColor, m_captionBackColorTo);
}

void OrvRtfCtl32::setCaptionBackColorTo(ColorValue color)
{
    m_captionBackColorTo = color;
    Q_EMIT PropertyChanged(QStringLiteral("CaptionBackColorTo"));
    m_mainTitle->setGradientColors(m_captionBackColor, m_captionBackColorTo);
}

void OrvRtfCtl32::setBackColorWorkspace(ColorValue color)
{
    m_backColorWorkspace = color;
    applyWorkspaceColor();
    Q_EMIT PropertyChanged(QStringLiteral("BackColorWorkspace"));
}

QFont OrvRtfCtl32::CaptionFont() const
{
    return lblTitle()->font();
}

void OrvRtfCtl32::setCaptionFont(const QFont &font)
{
    lblTitle()->setFont(font);
    Q_EMIT PropertyChanged(QStringLiteral("CaptionFont"));
}

QString OrvRtfCtl32::Titel() const
{
    return lblTitle()->text();
}

void OrvRtfCtl32::setTitel(const QString &title)
{
    lblTitle()->setText(title);
    Q_EMIT PropertyChanged(QStringLiteral("Titel"));
}

ColorValue OrvRtfCtl32::BackColor() const
{
    return m_mainToolBar->BackColor();
}

void OrvRtfCtl32::setBackColor(ColorValue color)
{
    m_mainToolBar->setBackColor(color);
    Q_EMIT PropertyChanged(QStringLiteral("BackColor"));
}

QString OrvRtfCtl32::Text() const
{
    return m_mainRTF->Text();
}

void OrvRtfCtl32::setText(const QString &text)
{
    m_mainRTF->setText(text);
    Q_EMIT PropertyChanged(QStringLiteral("Text"));
}

QString OrvRtfCtl32::TextRTF() const
{
    return m_mainRTF->TextRTF();
}

QLabel *OrvRtfCtl32::lblTitle() const
{
    return m_mainTitle->label();
}

void OrvRtfCtl32::InitProperties()
{
    m_captionForeColor = 0;
    m_captionBackColor = 0;
    m_captionBackColorTo = 0;
    m_backColorWorkspace = ColorValue::kWindowBackground;
}

void OrvRtfCtl32::ReadProperties(const PropertyBag &bag)
{
    m_captionForeColor = readColor(bag, QStringLiteral("CaptionForeColor"), 0);
    m_captionBackColor = readColor(bag, QStringLiteral("CaptionBackColor"), 0);
    m_captionBackColorTo = readColor(bag, QStringLiteral("CaptionBackColorTo"), 0);
    m_backColorWorkspace = readColor(bag, QStringLiteral("BackColorWorkspace"), ColorValue::kWindowBackground);
    applyWorkspaceColor();
    applyCaptionForeColor();
    m_mainTitle->setGradientColors(m_captionBackColor, m_captionBackColorTo);
    lblTitle()->setFont(readFont(bag, QStringLiteral("CaptionFont"), ambientFont()));
    lblTitle()->setText(bag.ReadProperty(QStringLiteral("Titel"), QStringLiteral("Titel")).toString());
    m_mainToolBar->setBackColor(readColor(bag, QStringLiteral("BackColor"), ColorValue::kButtonFace));
    m_mainRTF->setText(bag.ReadProperty(QStringLiteral("Text"), QString()).toString());
}

void OrvRtfCtl32::WriteProperties(PropertyBag &bag) const
{
    bag.WriteProperty(QStringLiteral("CaptionForeColor"), colorVariant(m_captionForeColor), colorVariant(0));
    bag.WriteProperty(QStringLiteral("CaptionBackColor"), colorVariant(m_captionBackColor), colorVariant(0));
    bag.WriteProperty(QStringLiteral("CaptionBackColorTo"), colorVariant(m_captionBackColorTo), colorVariant(0));
    bag.WriteProperty(QStringLiteral("BackColorWorkspace"), colorVariant(m_backColorWorkspace),
                      colorVariant(ColorValue::kWindowBackground));
    bag.WriteProperty(QStringLiteral("CaptionFont"), CaptionFont(), ambientFont());
    bag.WriteProperty(QStringLiteral("Titel"), Titel(), QStringLiteral("Titel"));
    bag.WriteProperty(QStringLiteral("BackColor"), colorVariant(BackColor()), colorVariant(ColorValue::kButtonFace));
    bag.WriteProperty(QStringLiteral("Text"), Text(), QString());
}

void OrvRtfCtl32::applyWorkspaceColor()
{
    QPalette workspace = palette();
    workspace.setColor(QPalette::Window, m_backColorWorkspace.toQColor());
    setPalette(workspace);
    setAutoFillBackground(true);
    m_mainRTF->setBackColor(m_backColorWorkspace.toQColor());
}

void OrvRtfCtl32::applyCaptionForeColor()
{
    QPalette caption = lblTitle()->palette();
    caption.setColor(QPalette::WindowText, m_captionForeColor.toQColor());
    lblTitle()->setPalette(caption);
}

void OrvRtfCtl32::resizeEvent(QResizeEvent *)
{
    layoutControls();
}

void OrvRtfCtl32::layoutControls()
{
    const int titleHeight = twipsToPixelsY(kTitleHeight);
    // The toolbar panel grows when the desktop's toolbar needs more room than designed.
    const int panelHeight = qMax(twipsToPixelsY(kToolPanelHeight), m_mainToolBar->sizeHint().height());
    m_mainTitle->setGeometry(0, 0, width(), titleHeight);
    m_sspToolBar->setGeometry(0, titleHeight, width(), panelHeight);
    const int left = twipsToPixelsX(kTextLeft);
    const int top = panelHeight + titleHeight + twipsToPixelsY(kTextGap);
    const QRect inner = contentsRect();
    const int textWidth = inner.width() - left;
    const int textHeight = inner.height() - top;
    // Too small for the text box: it keeps its place and size.
    if (textWidth < 0 || textHeight < 0)
        return;
    m_mainRTF->setGeometry(left, top, textWidth, textHeight);
    m_mainRTF->setRightMargin(textWidth * kTwipsPerInch / logicalDpiX() - kRightMarginInset);
}

int OrvRtfCtl32::twipsToPixelsX(int twips) const
{
    return twips * logicalDpiX() / kTwipsPerInch;
}

int OrvRtfCtl32::twipsToPixelsY(int twips) const
{
    return twips * logicalDpiY() / kTwipsPerInch;
}

QFont OrvRtfCtl32::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

} // namespace OrvVelmora
