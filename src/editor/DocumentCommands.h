#pragma once

#include "editor/CommonDialog.h"

namespace OrvVelmora {

class RichTextBox;

/// Loading the message text from an RTF file, storing it as one (the text is
/// a reusable template), and colouring the selected text. Every way out of
/// these commands is quiet: a cancel in a dialog, an unreadable file or a
/// failed write ends the command without a message, and the file commands
/// leave the normal pointer behind.
class DocumentCommands
{
public:
    explicit DocumentCommands(RichTextBox &box);

    void OpenDocument();
    void SaveDocument();
    void ChooseTextColor();

    /// The dialog object shared by the three commands.
    [[nodiscard]] CommonDialog &dialog() { return m_dialog; }

private:
    void prepareFileDialog(const QString &title, quint32 flags);

    RichTextBox &m_box;
    CommonDialog m_dialog;
};

} // namespace OrvVelmora
