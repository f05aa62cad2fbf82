#pragma once

#include <QString>

namespace OrvVelmora {

class DocumentCommands;
class RichTextBox;
class ToolBarControl;

/// What a click on a tool, or a change in one of the two combos, does to the
/// text box. Every click ends with the focus back in the text box.
///
/// Choices where the behaviour was left open:
/// - A font-size text that is no number under the user's number format, that
///   lies outside the 16-bit range or is not above 0 changes nothing; the combo
///   shows the selection's size again (or stays as typed when the selection
///   mixes sizes).
/// - FormatMoreIndent on paragraphs with different indents leaves them alone,
///   as FormatLessIndent does.
/// - When the system clipboard cannot be used, a placeholder goes in directly
///   at the caret and the clipboard is left alone; a paste then does nothing.
class ToolDispatcher
{
public:
    ToolDispatcher(ToolBarControl &toolBar, RichTextBox &box, DocumentCommands &documents);

    void ToolClick(const QString &id);
    void ComboChange(const QString &id);

    /// The placeholder a variables tool inserts; empty for other ids.
    [[nodiscard]] static QString placeholderToken(const QString &id);

private:
    bool runFileOrEdit(const QString &id);
    bool runFormat(const QString &id);
    void toggle(const QString &id, void (RichTextBox::*apply)(bool));
    void align(int alignment);
    void changeIndent(int delta);
    void insertToken(const QString &token);
    void applyFontSize();

    ToolBarControl &m_toolBar;
    RichTextBox &m_box;
    DocumentCommands &m_documents;
};

} // namespace OrvVelmora
