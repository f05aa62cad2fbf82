#pragma once

namespace OrvVelmora {

class RichTextBox;
class ToolBarControl;

/// Keeps the toolbar showing the formatting of the selection. Each attribute
/// is its own step: one that has no single value in the selection (or whose
/// tool is missing) leaves its tool as it was and the next step still runs.
/// A mixed paragraph alignment shows as right alignment.
class ToolStateSync
{
public:
    ToolStateSync(ToolBarControl &toolBar, RichTextBox &box);

    /// Runs on every selection change of the box.
    void SelChange();

private:
    void showAlignment();

    ToolBarControl &m_toolBar;
    RichTextBox &m_box;
};

} // namespace OrvVelmora
