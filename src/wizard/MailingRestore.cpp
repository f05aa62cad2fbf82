#include "wizard/MailingRestore.h"

#include "base/platform/Logging.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/wizardframe/WizardFrame.h"
#include "editor/OrvRtfCtl32.h"
#include "journal/SendJournal.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "wizard/WizardLog.h"
#include "wizard/frmDialogMail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace OrvVelmora {

// Each part is restored on its own: a letter the editor cannot read still
// leaves the recipients and attachments in place for the person to see.
void MailingRestore::into(frmDialogMail &form, const SavedMailing &content)
{
    const auto step = [](const char *what, auto &&action) { tolerate(lcWizard, what, action); };
    step("restoring the recipients", [&] { form.recipients()->setRecipients(content.recipients); });
    step("restoring the subject", [&] { form.sevBetreff()->setText(content.subject); });
    step("restoring the priority", [&] { form.sevDringlichkeit()->setCurrentIndex(content.priority); });
    step("restoring the read receipt", [&] { form.chkLeseBestaetigung()->setChecked(content.readReceipt); });
    step("restoring the letter", [&] { form.mainRtfControl()->mainRTF()->setTextRTF(content.rtf); });
    step("restoring the attachments", [&] {
        QList<AttachmentEntry> entries;
        for (const SavedAttachment &attachment : content.attachments)
            entries.append({attachment.path, attachment.zip});
        form.attachments()->setAttachments(entries);
        form.attachments()->setPersonalAttachment(content.personal);
    });
    step("showing the send pane", [&] {
        while (form.mainWizard()->CurrentPane() < form.mainWizard()->paneCount() - 1)
            form.mainWizard()->NextPane();
    });
}

} // namespace OrvVelmora
