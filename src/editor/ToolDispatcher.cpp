#include "editor/ToolDispatcher.h"

#include "base/platform/PlatformServices.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "editor/DocumentCommands.h"
#include "editor/FontSizeText.h"
#include "editor/ToolIds.h"
#include "merge/MergeField.h"

namespace OrvVelmora {

namespace {

constexpr int kIndentStepTwips = 300;

} // namespace

ToolDispatcher::ToolDispatcher(ToolBarControl &toolBar, RichTextBox &box, DocumentCommands &documents)
    : m_toolBar(toolBar)
    , m_box(box)
    , m_documents(documents)
{
}

QString ToolDispatcher::placeholderToken(const QString &id)
{
    const MergeField *field = mergeFieldForTool(id);
    return field ? field->token : QString();
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
    if (id == ToolId::FileSave)
        m_documents.SaveDocument();
    else if (id == ToolId::FileOpen)
        m_documents.OpenDocument();
    else if (id == ToolId::EditUndo)
        m_box.Undo();
    else if (id == ToolId::EditCut)
        m_box.Cut();
    else if (id == ToolId::EditPaste)
        m_box.Paste(); // the box's own paste: the clipboard's RTF goes to the reader byte for byte
    else if (id == ToolId::EditCopy)
        m_box.Copy();
    else
        return id == ToolId::FilePlaceHolder;
    return true;
}

bool ToolDispatcher::runFormat(const QString &id)
{
    if (id == ToolId::FormatBold)
        toggle(id, &RichTextBox::setSelBold);
    else if (id == ToolId::FormatItalic)
        toggle(id, &RichTextBox::setSelItalic);
    else if (id == ToolId::FormatUnderline)
        toggle(id, &RichTextBox::setSelUnderline);
    else if (id == ToolId::FormatAlignLeft)
        align(0);
    else if (id == ToolId::FormatAlignCenter)
        align(2);
    else if (id == ToolId::FormatAlignRight)
        align(1);
    else if (id == ToolId::FormatMoreIndent)
        changeIndent(kIndentStepTwips);
    else if (id == ToolId::FormatLessIndent)
        changeIndent(-kIndentStepTwips);
    else if (id == ToolId::FormatFontColor)
        m_documents.ChooseTextColor();
    else if (id == ToolId::FormatBullets)
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
    m_toolBar.setChecked(ToolId::FormatAlignLeft, alignment == 0);
    m_toolBar.setChecked(ToolId::FormatAlignCenter, alignment == 2);
    m_toolBar.setChecked(ToolId::FormatAlignRight, alignment == 1);
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

void ToolDispatcher::insertToken(const QString &token)
{
    PlatformServices &services = PlatformServices::instance();
    if (!services.clipboardAvailable()) {
        m_box.setSelRTF(token);
        return;
    }
    // The token travels over the clipboard; what the user had put there
    // comes back afterwards, in the formats the editor knows.
    QMap<QString, QByteArray> saved;
    for (const char *mime : {kMimeRtf, kMimeHtml, kMimePlain}) {
        const QString format = QString::fromLatin1(mime);
        if (services.clipboardHasFormat(format))
            saved.insert(format, services.clipboardData(format));
    }
    services.clipboardClear();
    services.clipboardSet({{QString::fromLatin1(kMimeRtf), token.toUtf8()}});
    // Other handlers (the tool-state update among them) may run here, as in
    // every insertion before; the paste then takes what the clipboard holds.
    services.processEvents();
    m_box.Paste();
    services.clipboardClear();
    if (!saved.isEmpty())
        services.clipboardSet(saved);
}

void ToolDispatcher::ComboChange(const QString &id)
{
    if (id == ToolId::FormatFont) {
        if (const std::optional<QString> name = m_toolBar.comboText(id))
            m_box.setSelFontName(*name);
    } else if (id == ToolId::FormatFontSize) {
        applyFontSize();
    }
    m_box.setFocus();
}

void ToolDispatcher::applyFontSize()
{
    const std::optional<QString> text = m_toolBar.comboText(ToolId::FormatFontSize);
    const std::optional<int> points = text ? FontSizeText::parse(*text) : std::nullopt;
    if (points) {
        m_box.setSelFontSize(*points);
        return;
    }
    if (const std::optional<double> shown = m_box.SelFontSize())
        m_toolBar.setComboText(ToolId::FormatFontSize, FontSizeText::format(*shown));
}

} // namespace OrvVelmora
