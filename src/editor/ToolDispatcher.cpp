#include "editor/ToolDispatcher.h"

#include "editor/DocumentCommands.h"
#include "editor/FontSizeText.h"
#include "outside/platform/PlatformServices.h"
#include "outside/richtext/RichTextBox.h"
#include "outside/toolbar/ToolBarControl.h"

#include <QHash>

namespace OrvVelmora {

namespace {

constexpr int kIndentStepTwips = 300;

const QString kFormatFont = QStringLiteral("FormatFont");
const QString kFormatFontSize = QStringLiteral("FormatFontSize");

} // namespace

ToolDispatcher::ToolDispatcher(ToolBarControl &toolBar, RichTextBox &box, DocumentCommands &documents)
    : m_toolBar(toolBar)
    , m_box(box)
    , m_documents(documents)
{
}

QString ToolDispatcher::placeholderToken(const QString &id)
{
    static const QHash<QString, QString> tokens = {
        {QStringLiteral("VarDate"), QStringLiteral("<#DATE#>")},
        {QStringLiteral("KDNummer"), QStringLiteral("<#KD_NUMMER#>")},
        {QStringLiteral("KDAnrede"), QStringLiteral("<#KD_ANREDE#>")},
        {QStringLiteral("KDVorname"), QStringLiteral("<#KD_VORNAME#>")},
        {QStringLiteral("KDName"), QStringLiteral("<#KD_NAME#>")},
        {QStringLiteral("KDFirma"), QStringLiteral("<#KD_FIRMA#>")},
        {QStringLiteral("KDZusatz"), QStringLiteral("<#KD_ZUSATZ#>")},
        {QStringLiteral("KDAnsprechPartner"), QStringLiteral("<#KD_ANSPRECHPARTNER#>")},
        {QStringLiteral("KDStrasse"), QStringLiteral("<#KD_STRASSE#>")},
        {QStringLiteral("KDPLZ"), QStringLiteral("<#KD_PLZ#>")},
        {QStringLiteral("KDOrt"), QStringLiteral("<#KD_ORT#>")},
        {QStringLiteral("KDLand"), QStringLiteral("<#KD_LAND#>")},
        {QStringLiteral("KDEMail"), QStringLiteral("<#KD_EMail#>")},
        {QStringLiteral("KDFreiFeld1"), QStringLiteral("<#KD_FREIFELD1#>")},
        {QStringLiteral("KDFreiFeld2"), QStringLiteral("<#KD_FREIFELD2#>")},
        {QStringLiteral("KDFreiFeld3"), QStringLiteral("<#KD_FREIFELD3#>")},
    };
    return tokens.value(id);
}

void ToolDispatcher::ToolClick(const QString &id)
{
    if (!runFileOrEdit(id) && !runFormat(id)) {
        const QString token = placeholderToken(id);
        if (!token.isEmpty())
            insertToken(token);
    }
    m_box.setFocus();
}

bool ToolDispatcher::runFileOrEdit(const QString &id)
{
    if (id == QLatin1String("FileSave"))
        m_documents.SaveDocument();
    else if (id == QLatin1String("FileOpen"))
        m_documents.OpenDocument();
    else if (id == QLatin1String("EditUndo"))
        m_box.Undo();
    else if (id == QLatin1String("EditCut"))
        m_box.Cut();
    else if (id == QLatin1String("EditPaste"))
        paste();
    else if (id == QLatin1String("EditCopy"))
        m_box.Copy();
    else
        return id == QLatin1String("FilePlaceHolder");
    return true;
}

bool ToolDispatcher::runFormat(const QString &id)
{
    if (id == QLatin1String("FormatBold"))
        toggle(id, &RichTextBox::setSelBold);
    else if (id == QLatin1String("FormatItalic"))
        toggle(id, &RichTextBox::setSelItalic);
    else if (id == QLatin1String("FormatUnderline"))
        toggle(id, &RichTextBox::setSelUnderline);
    else if (id == QLatin1String("FormatAlignLeft"))
        align(0);
    else if (id == QLatin1String("FormatAlignCenter"))
        align(2);
    else if (id == QLatin1String("FormatAlignRight"))
        align(1);
    else if (id == QLatin1String("FormatMoreIndent"))
        changeIndent(kIndentStepTwips);
    else if (id == QLatin1String("FormatLessIndent"))
        changeIndent(-kIndentStepTwips);
    else if (id == QLatin1String("FormatFontColor"))
        m_documents.ChooseTextColor();
    else if (id == QLatin1String("FormatBullets"))
        toggle(id, &RichTextBox::setSelBullet);
    else
        return false;
    return true;
}

void ToolDispatcher::toggle(const QString &id, void (RichTextBox::*apply)(bool))
{
    m_toolBar.setChecked(id, !m_toolBar.checked(id).value_or(false));
    // The attribute follows what the tool now shows, not the selection.
    (m_box.*apply)(m_toolBar.checked(id).value_or(false));
}

void ToolDispatcher::align(int alignment)
{
    m_toolBar.setChecked(QStringLiteral("FormatAlignLeft"), alignment == 0);
    m_toolBar.setChecked(QStringLiteral("FormatAlignCenter"), alignment == 2);
    m_toolBar.setChecked(QStringLiteral("FormatAlignRight"), alignment == 1);
    m_box.setSelAlignment(alignment);
}

void ToolDispatcher::changeIndent(int delta)
{
    const std::optional<int> indent = m_box.SelIndent();
    if (!indent)
        return;
    if (delta > 0 || *indent > 0)
        m_box.setSelIndent(*indent + delta);
}

void ToolDispatcher::paste()
{
    const PlatformServices &services = PlatformServices::instance();
    if (!services.clipboardAvailable())
        return;
    for (const char *mime : {kMimeRtf, kMimePlain}) {
        const QString format = QString::fromLatin1(mime);
        if (services.clipboardHasFormat(format)) {
            m_box.setSelRTF(QString::fromUtf8(services.clipboardData(format)));
            m_box.setFocus();
            return;
        }
    }
}

void ToolDispatcher::insertToken(const QString &token)
{
    PlatformServices &services = PlatformServices::instance();
    if (!services.clipboardAvailable()) {
        m_box.setSelRTF(token);
        return;
    }
    services.clipboardClear();
    services.clipboardSet({{QString::fromLatin1(kMimeRtf), token.toUtf8()}});
    // Other handlers (the tool-state update among them) may run here, as in
    // every insertion before; the paste then takes what the clipboard holds.
    services.processEvents();
    m_box.Paste();
}

void ToolDispatcher::ComboChange(const QString &id)
{
    if (id == kFormatFont) {
        if (const std::optional<QString> name = m_toolBar.comboText(id))
            m_box.setSelFontName(*name);
    } else if (id == kFormatFontSize) {
        applyFontSize();
    }
    m_box.setFocus();
}

void ToolDispatcher::applyFontSize()
{
    const std::optional<QString> text = m_toolBar.comboText(kFormatFontSize);
    const std::optional<int> points = text ? FontSizeText::parse(*text) : std::nullopt;
    if (points) {
        m_box.setSelFontSize(*points);
        return;
    }
    if (const std::optional<double> shown = m_box.SelFontSize())
        m_toolBar.setComboText(kFormatFontSize, FontSizeText::format(*shown));
}

} // namespace OrvVelmora
