#pragma once

#include "sendrun/MailingSelection.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace OrvVelmora {

struct FailedRecipient;
class AttachmentPane;
class MailSettings;
class GridComponent;
class JournalledSendRun;
class MessagePane;
class OrvRtfCtl32;
class RecipientPane;
struct RecipientMail;
struct SalutationPhrases;
class SendRun;
class SendStatusPane;
class SettingsFileStore;
class SmtpTransport;
class WizardFrame;
class WizardPane;

/// The mail-merge wizard "Assistent zur Erstellung von Velmoras...": three
/// panes in our wizard frame mainWizard (recipients, message, send) and the
/// extra button "E-Mail Einstellungen".
///
/// Setting the Owner runs the initialisation: colours from the owner's scheme,
/// the customer load, the priority list, the editor's title, and the frame is
/// started on the first pane. Every step that fails is skipped and the next
/// one runs, so the wizard opens in any case.
///
/// The frame only reports its buttons; this form validates and moves it:
/// next leaves the recipients pane only with a recipient, the message pane
/// only with a subject and a text (only blanks are removed before the test),
/// back always goes back. Finish hands over to runSendRun(). Every message box
/// goes through PlatformServices.
///
/// Enter never moves the wizard or sends: it presses only a button that has
/// the focus, and the finish button asks before the first message goes out.
///
/// Closing, for whatever reason, closes and lets go the customer record set
/// and the form's settings store. While a send run is under way the person is
/// asked first, and the run goes on sending while the question is open; on
/// Ja the run stops after its current message, on Nein (the default, which
/// loses nothing) the window stays open.
///
/// An interrupted mailing the person continues when the wizard opens comes
/// back into it (recipients, subject, letter, attachments) on the send pane;
/// every finish in this wizard then continues that mailing.
class frmDialogMail : public QDialog
{
    Q_OBJECT
public:
    explicit frmDialogMail(QWidget *parent = nullptr);
    ~frmDialogMail() override;

    /// Stores the owner and runs the initialisation.
    void setOwner(MailSettings *owner);
    [[nodiscard]] MailSettings *Owner() const { return m_owner; }

    /// Runs the wizard modally until it is closed, no larger than the screen.
    void showModal();

    /// The send run behind the finish button, over this form's controls and
    /// its transport mainSMTP.
    void runSendRun();
    /// The "E-Mail Einstellungen" button: the account dialog, modally.
    void openAccountDialog();
    /// When the wizard opens: offers to continue a mailing that a crash or a
    /// provider's limit interrupted; an accepted offer fills the wizard and is
    /// what its send runs continue.
    void offerToContinue();

    /// The form's own settings store, created on first use (by the send run).
    [[nodiscard]] SettingsFileStore &settingsStore();
    [[nodiscard]] bool hasSettingsStore() const { return m_settingsStore != nullptr; }

    [[nodiscard]] WizardFrame *mainWizard() const { return m_mainWizard; }
    /// Pane 0..2 of the frame.
    [[nodiscard]] WizardPane *wizPane(int index) const;
    [[nodiscard]] RecipientPane *recipients() const { return m_recipients; }
    [[nodiscard]] GridComponent *sevKunden() const;
    [[nodiscard]] GridComponent *sevResult() const;
    [[nodiscard]] MessagePane *message() const { return m_message; }
    [[nodiscard]] QLineEdit *sevBetreff() const;
    [[nodiscard]] QComboBox *sevDringlichkeit() const;
    [[nodiscard]] QCheckBox *chkLeseBestaetigung() const;
    [[nodiscard]] OrvRtfCtl32 *mainRtfControl() const;
    [[nodiscard]] AttachmentPane *attachments() const;
    [[nodiscard]] GridComponent *sevAnlagen() const;
    [[nodiscard]] SendStatusPane *sendStatus() const { return m_sendStatus; }
    [[nodiscard]] QProgressBar *mainProgressBar() const;
    [[nodiscard]] SmtpTransport &mainSMTP() const { return *m_mainSMTP; }

public Q_SLOTS:
    void done(int result) override;
    /// Esc, "Abbrechen" and the close box: asks first while a written letter is unsent.
    void reject() override;

    /// "Vorschau…": the merged message for the recipients in the list.
    void openPreview();
    /// "Versand anhalten": asks, then lets the run end after its current message.
    void askToStopRun();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildPanes();
    void connectWizard();
    void onNext(qint16 pane);
    void onBack(qint16 pane);
    bool recipientsChosen();
    bool messageComplete();
    bool mayDiscardLetter();
    void wrapPaneInScrollArea(WizardPane *pane, QWidget *content);
    void releaseResources() noexcept;
    bool showFailures(const QList<FailedRecipient> &failures);
    void askToCloseDuringRun(int result);
    void closeNow(int result);
    [[nodiscard]] int maxPerMinute();
    [[nodiscard]] SalutationPhrases salutationPhrases() const;
    void sendTestMailToMe(const RecipientMail &mail);

    MailSettings *m_owner = nullptr;
    WizardFrame *m_mainWizard;
    RecipientPane *m_recipients = nullptr;
    MessagePane *m_message = nullptr;
    SendStatusPane *m_sendStatus = nullptr;
    std::unique_ptr<SmtpTransport> m_mainSMTP;
    std::unique_ptr<SettingsFileStore> m_settingsStore;
    SendRun *m_activeRun = nullptr;
    JournalledSendRun *m_activeJournal = nullptr;
    std::optional<MailingPlan> m_continuation;
    bool m_letterSent = false;
    bool m_closeAsked = false;
    bool m_stopAsked = false;
};

} // namespace OrvVelmora
