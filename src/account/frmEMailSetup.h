#pragma once

#include "net/oauth/OAuthProvider.h"
#include "net/oauth/OAuthTokens.h"
#include "settings/AccountOptions.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace OrvVelmora {

class AccountConnection;
class MailSettings;
class LabelledField;
class OAuthSignIn;
class OAuthTokenStore;
class Panel;
class SmtpTransport;
class TrustedCertificate;
class WizardPane;

/// The account dialog "Einstellungen": the sender data and the SMTP account of
/// the CMail that runs the wizard. It keeps no data of its own: it is filled
/// from the CMail when it is made, and Save() checks the fields, stores them
/// into the CMail and writes the settings file. Cancel() stores nothing.
/// "Testen" sends a test mail from the fields as typed (see TestMail).
///
/// Beside the eight fields: "Anmelden…" for accounts that sign in through the
/// browser (Microsoft 365, Outlook.com, Google, or any server with "OAuth=1"),
/// and, once chosen by the test mail, a trusted certificate and an unencrypted
/// local relay; both can be withdrawn by unticking them and are stored with
/// the other values on save.
///
/// Every message box goes through PlatformServices; the checks put the focus
/// on the offending field and keep the dialog open.
class frmEMailSetup : public QDialog
{
    Q_OBJECT
public:
    /// owner may be nullptr: the dialog then opens with its designed texts and
    /// a save stores nothing.
    explicit frmEMailSetup(MailSettings *owner, QWidget *parent = nullptr);
    ~frmEMailSetup() override;

    [[nodiscard]] LabelledField *sevName() const { return m_sevName; }
    [[nodiscard]] LabelledField *sevEMail() const { return m_sevEMail; }
    [[nodiscard]] LabelledField *sevFirma() const { return m_sevFirma; }
    [[nodiscard]] LabelledField *sevAntwortAdresse() const { return m_sevAntwortAdresse; }
    [[nodiscard]] LabelledField *sevServer() const { return m_sevServer; }
    [[nodiscard]] LabelledField *sevPort() const { return m_sevPort; }
    [[nodiscard]] LabelledField *sevUserName() const { return m_sevUserName; }
    [[nodiscard]] LabelledField *sevKennwort() const { return m_sevKennwort; }
    [[nodiscard]] QPushButton *cmdTest() const { return m_cmdTest; }
    [[nodiscard]] QPushButton *cmdOK() const { return m_cmdOK; }
    [[nodiscard]] QPushButton *cmdCancel() const { return m_cmdCancel; }
    /// Shown only for accounts that sign in through the browser.
    [[nodiscard]] QWidget *signInRow() const { return m_signInRow; }
    [[nodiscard]] QPushButton *cmdAnmelden() const { return m_cmdAnmelden; }
    [[nodiscard]] QLabel *lblAnmeldung() const { return m_lblAnmeldung; }
    [[nodiscard]] QCheckBox *chkZertifikat() const { return m_chkZertifikat; }
    [[nodiscard]] QCheckBox *chkUnverschluesselt() const { return m_chkUnverschluesselt; }
    [[nodiscard]] WizardPane *wizPane() const { return m_wizPane; }
    [[nodiscard]] SmtpTransport &mainSMTP() const { return *m_mainSMTP; }

    /// The check that both the save and the test mail make first: a trimmed
    /// e-mail address, then a trimmed server. Shows the one message that
    /// applies, focuses its field and answers false; true when both are there.
    bool checkRequiredFields();

    /// The account options as they stand in the dialog (not yet saved).
    [[nodiscard]] AccountOptions accountOptions() const;
    /// How the fields' account reaches its server: certificate, encryption, sign-in.
    [[nodiscard]] AccountConnection accountConnection() const;
    /// The test mail's outcomes the user agreed to; stored by the next save.
    void trustCertificate(const TrustedCertificate &pin);
    void allowUnencrypted();

    /// Runs modally (the caller continues once it is closed).
    void showModal();
    /// Puts the focus on the first field that is still empty.
    void focusFirstEmptyField();

public Q_SLOTS:
    /// Cancels a sign-in the browser is being waited for.
    /// Refused while a test mail runs: its buttons are off, and the close box
    /// and Escape must not end the dialog behind the test's back either.
    void done(int result) override;
    /// Esc and the close box: asks before changes are thrown away.
    void reject() override;
    void Save();
    void Cancel();
    /// The "Testen" button: a TestMail over mainSMTP.
    void runTestMail();
    /// The "Anmelden…" button: the provider's sign-in in the browser. While
    /// the browser is waited for, the same button cancels the sign-in. A new
    /// sign-in is kept until Speichern, like every other field of the dialog.
    void signIn();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    [[nodiscard]] QList<LabelledField *> fields() const;
    /// Every value the user can change, to tell whether anything was.
    [[nodiscard]] QStringList typed() const;
    void updateSignInButton();
    void buildFields();
    void buildLayout();
    void colourControls();
    void fillFields();
    static void tellWhereThePasswordIs(const MailSettings &settings);
    void storeFields();
    void buildAccountExtras();
    void updateAccountExtras();
    OAuthAccount oauthAccount() const;
    QString settingsFile() const;
    std::optional<OAuthTokens> waitForBrowser(OAuthSignIn &signIn);
    bool savePendingSignIn();
    /// The label beside "Anmelden…": a sign-in not yet saved, else the stored one.
    void showSignInState();

    MailSettings *m_owner;
    WizardPane *m_wizPane;
    Panel *m_fieldPanel;
    LabelledField *m_sevName;
    LabelledField *m_sevEMail;
    LabelledField *m_sevFirma;
    LabelledField *m_sevAntwortAdresse;
    LabelledField *m_sevServer;
    LabelledField *m_sevPort;
    LabelledField *m_sevUserName;
    LabelledField *m_sevKennwort;
    QPushButton *m_cmdTest;
    QPushButton *m_cmdOK;
    QPushButton *m_cmdCancel;
    QWidget *m_signInRow;
    QPushButton *m_cmdAnmelden;
    QLabel *m_lblAnmeldung;
    QCheckBox *m_chkZertifikat;
    QCheckBox *m_chkUnverschluesselt;
    AccountOptions m_options;
    std::unique_ptr<SmtpTransport> m_mainSMTP;
    bool m_testRunning = false;
    /// The sign-in the browser is being waited for, so that a click can cancel it.
    OAuthSignIn *m_runningSignIn = nullptr;
    /// A sign-in made in this dialog and not yet saved, with whom it was made for.
    std::unique_ptr<OAuthTokenStore> m_pendingSignIn;
    std::optional<OAuthProvider> m_signedInProvider;
    OAuthAccount m_signedInAccount;
    QStringList m_loaded;
    bool m_signInBlocked = false;
};

} // namespace OrvVelmora
