#include "wizard/TestMailToMe.h"

#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/SendRunAccount.h"
#include "settings/MailSettings.h"
#include "settings/SettingsFileStore.h"
#include "transportsetup/TransportSetup.h"

namespace OrvVelmora {

namespace {

const QString kCaption = QStringLiteral("Systemmeldung...");
const QString kNotSent = QStringLiteral("Die Testnachricht wurde nicht gesendet.\r\n\r\n");

} // namespace

TestMailToMe::TestMailToMe(MailSettings &settings, SendRunAccount *account)
    : m_settings(settings)
    , m_account(account)
{
}

bool TestMailToMe::send(const RecipientMail &mail)
{
    PlatformServices &platform = PlatformServices::instance();
    QString failure = refusalBeforeSending(mail);
    if (failure.isEmpty()) {
        platform.setMousePointer(HourglassPointer);
        SmtpTransport transport;
        failure = sendOver(transport, mail);
        if (transport.IsConnected())
            transport.Disconnect();
        platform.setMousePointer(DefaultPointer);
    }
    const QString own = m_settings.SenderAddress().trimmed();
    if (failure.isEmpty())
        platform.messageBox(QStringLiteral("Die Testnachricht mit den Daten von „%1“ ging an Ihre eigene Adresse "
                                           "„%2“; sehen Sie dort nach, wie sie angekommen ist.")
                                .arg(mail.address.trimmed(), own),
                            kCaption, MessageIcon::Information, MessageButtons::Ok);
    else
        platform.messageBox(kNotSent + failure, kCaption, MessageIcon::Stop, MessageButtons::Ok);
    return failure.isEmpty();
}

QString TestMailToMe::refusalBeforeSending(const RecipientMail &mail) const
{
    if (m_settings.SmtpServer().trimmed().isEmpty())
        return QStringLiteral("Es ist kein e-Mail-Server eingetragen; richten Sie ihn unter „E-Mail Einstellungen“ "
                              "ein.");
    if (m_settings.SenderAddress().trimmed().isEmpty())
        return QStringLiteral("Es ist keine eigene e-Mail-Adresse eingetragen; tragen Sie sie unter „E-Mail "
                              "Einstellungen“ ein.");
    return mail.personalMissing;
}

// The same account, sender and message as the run: only the recipient and
// the subject's mark differ.
QString TestMailToMe::sendOver(SmtpTransport &transport, const RecipientMail &mail)
{
    const SenderSettings settings = m_settings.settings();
    TransportSetup{settings, SettingsFileStore().LocalHostName()}.writeTo(transport);
    transport.setCAFile(m_settings.CAFile());
    for (const SendAttachment &attachment : mail.attachments)
        transport.AddAttachment(attachment.fileName, attachment.zip);
    transport.setPersonalAttachment(mail.personalPath, mail.personalZip);
    transport.setRecipient(settings.SenderAddress);
    transport.setSubject(QString::fromUtf8(kSubjectPrefix) + mail.subject);
    transport.setBody(mail.text);
    transport.setFormattedBody(mail.html);
    transport.setPriority(mail.priority);
    transport.setReadReceipt(mail.readReceipt);
    transport.setTimeout(60);
    if (m_account) {
        if (const std::optional<QString> refusal = m_account->prepare(transport))
            return *refusal;
    }
    bool connected = transport.Connect();
    const SmtpTransport::Failure failure = transport.LastFailure();
    if (!connected && m_account &&
        (failure == SmtpTransport::Failure::CertificateUntrusted ||
         failure == SmtpTransport::Failure::CertificateChanged) &&
        m_account->trustCertificate(transport))
        connected = transport.Connect();
    if (!connected)
        return QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden.\r\n") +
            transport.LastError();
    if (transport.Send() < 0)
        return transport.LastError();
    return {};
}

} // namespace OrvVelmora
