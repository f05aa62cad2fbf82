#include "wizard/SavedAccount.h"

#include "account/AccountConnection.h"
#include "account/frmCertificateException.h"
#include "base/platform/PlatformServices.h"
#include "settings/MailSettings.h"
#include "settings/TrustedCertificate.h"
#include "wizard/WizardLog.h"

namespace OrvVelmora {

SavedAccount::SavedAccount(MailSettings &settings, QWidget *dialogParent)
    : m_settings(settings)
    , m_dialogParent(dialogParent)
{
}

std::optional<QString> SavedAccount::prepare(SmtpTransport &transport)
{
    AccountConnection connection = AccountConnection::saved(m_settings);
    if (connection.prepare(transport))
        return std::nullopt;
    // The person is told why once; the status line keeps it after the run.
    qCWarning(lcWizard) << "send run stopped before connecting:" << connection.errorText();
    PlatformServices::instance().messageBox(connection.errorText(), QStringLiteral("Systemmeldung..."),
                                            MessageIcon::Stop, MessageButtons::Ok);
    return connection.errorText();
}

bool SavedAccount::trustCertificate(SmtpTransport &transport)
{
    const QString server = m_settings.SmtpServer();
    const TrustedCertificate trusted =
        frmCertificateException::askToTrust(server, m_settings.SmtpPort(), transport, m_dialogParent);
    if (!trusted.isValid())
        return false;
    m_settings.trustCertificate(trusted.settingText());
    return true;
}

} // namespace OrvVelmora
