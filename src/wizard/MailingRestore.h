#pragma once

namespace OrvVelmora {

struct SavedMailing;
class frmDialogMail;

/// Brings an interrupted mailing back into the wizard: the recipient list,
/// subject, priority, read receipt, the letter and the attachments with their
/// ZIP marks, as the journal kept them, and shows the send pane, so that
/// "Fertigstellen" sends to those still waiting.
class MailingRestore
{
public:
    static void into(frmDialogMail &form, const SavedMailing &content);
};

} // namespace OrvVelmora
