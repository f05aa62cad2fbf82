#include "editor/ToolStateSync.h"

#include "controls/richtext/RichTextBox.h"
#include "controls/toolbar/ToolBarControl.h"
#include "editor/FontSizeText.h"
#include "editor/ToolIds.h"

#include <QTextCursor>

namespace OrvVelmora {

ToolStateSync::ToolStateSync(ToolBarControl &toolBar, RichTextBox &box)
    : m_toolBar(toolBar)
    , m_box(box)
{
}

void ToolStateSync::SelChange()
{
    // While the box replaces its whole content it reports a selection change
    // with no cursor at all; there is no selection to show then.
    if (m_box.textCursor().isNull())
        return;
    if (const std::optional<QString> name = m_box.SelFontName())
        m_toolBar.setComboText(ToolId::FormatFont, *name);
    if (const std::optional<double> size = m_box.SelFontSize())
        m_toolBar.setComboText(ToolId::FormatFontSize, FontSizeText::format(*size));
    if (const std::optional<bool> bold = m_box.SelBold())
        m_toolBar.setChecked(ToolId::FormatBold, *bold);
    if (const std::optional<bool> italic = m_box.SelItalic())
        m_toolBar.setChecked(ToolId::FormatItalic, *italic);
    if (const std::optional<bool> underline = m_box.SelUnderline())
        m_toolBar.setChecked(ToolId::FormatUnderline, *underline);
    showAlignment();
    if (const std::optional<bool> bullets = m_box.SelBullet())
        m_toolBar.setChecked(ToolId::FormatBullets, *bullets);
}

void ToolStateSync::showAlignment()
{
    const int alignment = m_box.SelAlignment().value_or(-1);
    m_toolBar.setChecked(ToolId::FormatAlignLeft, alignment == 0);
    m_toolBar.setChecked(ToolId::FormatAlignCenter, alignment == 2);
    m_toolBar.setChecked(ToolId::FormatAlignRight, alignment != 0 && alignment != 2);
}

} // namespace OrvVelmora
