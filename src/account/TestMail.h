#pragma once

#include <QString>

namespace OrvVelmora {

class frmEMailSetup;
class SmtpTransport;

/// The test message of the account dialog: one fixed mail from the account as
/// typed in the dialog to the sender's own address, so that server, port and
/// credentials can be tried before they are saved. It reads the fields only;
/// it neither reads nor changes the CMail and saves nothing.
///
/// While it runs the dialog's three buttons are disabled and the pointer is
/// the hourglass; both are restored on every way out. The outcome is told in
/// one message box: success, the connection refused (the component's reason
/// below a blank line), the send refused (likewise), or, for anything
/// unexpected such as a port that is no number, the error's number, a tab and
/// its description; that recovery makes no further call on the transport.
///
/// Before connecting, the account's sign-in token, trusted certificate and
/// encryption choice go to the transport. A certificate the system does not
/// trust is shown for the user to trust, and a non-local server without
/// STARTTLS, for an account without user name, leads to the question whether
/// to send unencrypted; what the user allows is kept by the dialog's next save.
class TestMail
{
public:
    TestMail(frmEMailSetup &dialog, SmtpTransport &transport);

    void run();

    static constexpr const char *kSubject = "Automatisch generierte Testmail";
    static constexpr const char *kBody =
        "Wenn Sie diese Informationen empfangen haben, sind Ihre e-Mail Einstellungen korrekt.";

private:
    void setButtonsEnabled(bool enabled);
    void configureTransport();
    void sendAndReport();
    bool connectOfferingWaysAround();
    bool offerCertificateException();
    bool offerUnencryptedRelay();
    void recover(int number, const QString &description);

    frmEMailSetup &m_dialog;
    SmtpTransport &m_transport;
    /// What the server showed when the user turned down a way around it.
    QString m_declined;
};

} // namespace OrvVelmora
