#include "account/TestMail.h"

#include "account/AccountConnection.h"
#include "account/frmCertificateException.h"
#include "account/frmEMailSetup.h"
#include "base/platform/PlatformServices.h"
#include "controls/wizardframe/LabelledField.h"
#include "net/smtp/SmtpTransport.h"
#include "settings/ConversionError.h"
#include "settings/PortNumber.h"
#include "settings/TrustedCertificate.h"
#include "transportsetup/TransportSetup.h"

#include <QDialog>
#include <QPushButton>

namespace OrvVelmora {

namespace {

constexpr int kAutomationError = 440;
const QString kCaption = QStringLiteral("Systemmeldung...");
// The connection failure has always been shown under this spelling.
const QString kConnectCaption = QStringLiteral("Systemmedlung...");
// A box without a caption of its own shows the component's name.
const QString kRecoveryCaption = QStringLiteral("OrvVelmora");
const QString kTwoLineBreaks = QStringLiteral("\r\n\r\n");

void tell(const QString &text, const QString &caption, MessageIcon icon)
{
    PlatformServices::instance().messageBox(text, caption, icon, MessageButtons::Ok);
}

} // namespace

TestMail::TestMail(frmEMailSetup &dialog, SmtpTransport &transport)
    : m_dialog(dialog)
    , m_transport(transport)
{
}

void TestMail::run()
{
    if (!m_dialog.checkRequiredFields())
        return;
    PlatformServices &platform = PlatformServices::instance();
    platform.setMousePointer(HourglassPointer);
    try {
        setButtonsEnabled(false);
        platform.processEvents();
        configureTransport();
        sendAndReport();
    } catch (const ConversionError &error) {
        return recover(error.number(), error.description());
    } catch (const std::exception &error) {
        return recover(kAutomationError, QString::fromUtf8(error.what()));
    } catch (...) {
        return recover(kAutomationError, QStringLiteral("Automatisierungsfehler"));
    }
    setButtonsEnabled(true);
    platform.setMousePointer(DefaultPointer);
}

void TestMail::setButtonsEnabled(bool enabled)
{
    for (QPushButton *button : {m_dialog.cmdTest(), m_dialog.cmdCancel(), m_dialog.cmdOK()})
        button->setEnabled(enabled);
}

// The fields go to the transport as typed: only the check trims them.
void TestMail::configureTransport()
{
    const SenderSettings typed{m_dialog.sevName()->Text(),     m_dialog.sevEMail()->Text(),
                               m_dialog.sevFirma()->Text(),    m_dialog.sevAntwortAdresse()->Text(),
                               m_dialog.sevServer()->Text(),   portFromText(m_dialog.sevPort()->Text()),
                               m_dialog.sevUserName()->Text(), m_dialog.sevKennwort()->Text()};
    TransportSetup{typed, QString()}.writeTo(m_transport);
    // The test message goes to the sender's own address.
    m_transport.setRecipient(typed.SenderAddress);
    m_transport.setReadReceipt(false);
    m_transport.setPriority(3);
    m_transport.setRetryCount(0);
    m_transport.setTimeout(120);
    m_transport.setSubject(QString::fromUtf8(kSubject));
    m_transport.setBody(QString::fromUtf8(kBody));
}

void TestMail::sendAndReport()
{
    AccountConnection connection = m_dialog.accountConnection();
    if (!connection.prepare(m_transport))
        return tell(connection.errorText(), kCaption, MessageIcon::Stop);
    if (!connectOfferingWaysAround()) {
        // The server answered; only the user's own choice stopped the test.
        if (!m_declined.isEmpty())
            return tell(m_declined, kCaption, MessageIcon::Information);
        const QString reason = m_transport.LastError();
        return tell(QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden.") + kTwoLineBreaks +
                        reason,
                    kConnectCaption, MessageIcon::Stop);
    }
    bool sendFailed = false;
    if (m_transport.Send() < 1) {
        const QString reason = m_transport.LastError();
        tell(QStringLiteral("Ihre Testnachricht konnte nicht gesendet werden.") + kTwoLineBreaks + reason, kCaption,
             MessageIcon::Stop);
        sendFailed = true;
    }
    m_transport.Disconnect();
    if (!sendFailed)
        tell(QStringLiteral("Ihre Testnachricht wurde erfolgreich gesendet.") + kTwoLineBreaks +
                 QStringLiteral("Sie ging an Ihre eigene Adresse „%1“; sehen Sie dort nach, ob sie angekommen ist.")
                     .arg(m_dialog.sevEMail()->Text().trimmed()),
             kCaption, MessageIcon::Information);
}

// A certificate of the server's own and a relay without encryption are
// refused first; the user may then allow exactly that and the test goes on.
// Each way round is offered once, so the loop ends after three attempts.
bool TestMail::connectOfferingWaysAround()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_transport.Connect())
            return true;
        const SmtpTransport::Failure failure = m_transport.LastFailure();
        const bool retry = failure == SmtpTransport::Failure::CertificateUntrusted ||
                failure == SmtpTransport::Failure::CertificateChanged
            ? offerCertificateException()
            : failure == SmtpTransport::Failure::EncryptionMissing && offerUnencryptedRelay();
        if (!retry)
            return false;
    }
    return false;
}

bool TestMail::offerCertificateException()
{
    const TrustedCertificate trusted = frmCertificateException::askToTrust(
        m_dialog.sevServer()->Text(), portFromText(m_dialog.sevPort()->Text()), m_transport, &m_dialog);
    if (!trusted.isValid()) {
        m_declined =
            QStringLiteral("Die Testnachricht wurde nicht gesendet: Der Server „%1“ ist an Port %2 erreichbar, "
                           "sein Zertifikat haben Sie aber nicht angenommen.")
                .arg(m_dialog.sevServer()->Text().trimmed(), m_dialog.sevPort()->Text().trimmed());
        return false;
    }
    m_dialog.trustCertificate(trusted);
    return true;
}

bool TestMail::offerUnencryptedRelay()
{
    // With a user name there would be a login, and it never goes out unencrypted.
    if (!m_dialog.sevUserName()->Text().trimmed().isEmpty())
        return false;
    const QString found = QStringLiteral("Der Server „%1“ ist an Port %2 erreichbar, bietet aber keine verschlüsselte "
                                         "Verbindung an.")
                              .arg(m_dialog.sevServer()->Text().trimmed(), m_dialog.sevPort()->Text().trimmed());
    // Nein is the default: sending in the clear is right only for a relay in
    // the user's own network, and Enter must not decide that.
    const MessageAnswer answer = PlatformServices::instance().askActions(
        found + kTwoLineBreaks +
            QStringLiteral("Nur wenn dieser Server in Ihrem eigenen lokalen Netz steht, sollten Nachrichten "
                           "unverschlüsselt an ihn gehen. Ohne Benutzername wird dabei kein Kennwort übertragen."),
        kCaption, {QStringLiteral("Unverschlüsselt senden"), QStringLiteral("Nicht senden")}, MessageAnswer::No);
    if (answer != MessageAnswer::Yes) {
        m_declined = QStringLiteral("Die Testnachricht wurde nicht gesendet: ") + found;
        return false;
    }
    m_dialog.allowUnencrypted();
    m_transport.setTlsMode(SmtpTlsMode::WhenOffered);
    return true;
}

void TestMail::recover(int number, const QString &description)
{
    setButtonsEnabled(true);
    PlatformServices::instance().setMousePointer(DefaultPointer);
    PlatformServices::instance().messageBox(QStringLiteral("%1\t%2").arg(number).arg(description), kRecoveryCaption,
                                            MessageIcon::None, MessageButtons::Ok);
}

} // namespace OrvVelmora
