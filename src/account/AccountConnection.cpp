#include "account/AccountConnection.h"

#include "account/SettingsTokenFile.h"
#include "net/oauth/OAuthAccess.h"
#include "net/oauth/OAuthTokenStore.h"
#include "net/smtp/SmtpTransport.h"
#include "settings/Blanks.h"
#include "settings/MailSettings.h"
#include "settings/SettingsKeys.h"
#include "settings/TrustedCertificate.h"

namespace OrvVelmora {

AccountConnection::AccountConnection(OAuthAccount account, qint32 port, AccountOptions options, bool hasPassword,
                                     QString settingsFile, OAuthTokenStore *pendingSignIn)
    : m_account(std::move(account))
    , m_port(port)
    , m_options(std::move(options))
    , m_hasPassword(hasPassword)
    , m_settingsFile(std::move(settingsFile))
    , m_pendingSignIn(pendingSignIn)
{
}

AccountConnection AccountConnection::saved(MailSettings &settings)
{
    return AccountConnection(
        oauthAccount(settings, settings.SmtpServer(), settings.SmtpUser(), settings.accountOptions()),
        settings.SmtpPort(), settings.accountOptions(), !settings.SmtpPassword().isEmpty(), settings.configFileName);
}

OAuthAccount AccountConnection::oauthAccount(MailSettings &settings, const QString &server, const QString &user,
                                             const AccountOptions &options)
{
    return {trimBlanks(server),
            trimBlanks(user),
            options.oauthRequested(),
            options.OAuthClientId,
            options.OAuthTenant,
            settings.readOnlyKey(SettingsKeys::OAuthAuthorizeUrl),
            settings.readOnlyKey(SettingsKeys::OAuthTokenUrl),
            settings.readOnlyKey(SettingsKeys::OAuthScope)};
}

bool AccountConnection::prepare(SmtpTransport &transport)
{
    m_error.clear();
    const TrustedCertificate pin = TrustedCertificate::fromSetting(m_options.Zertifikat);
    if (pin.appliesTo(m_account.server, m_port))
        transport.setTrustedCertificate(pin.sha256(), pin.acceptedErrors());
    else
        transport.setTrustedCertificate({}, {});
    transport.setTlsMode(m_options.unencryptedAllowed(m_account.server, m_port, m_account.user)
                             ? SmtpTlsMode::WhenOffered
                             : SmtpTlsMode::Required);
    transport.setOAuthAccessToken(QString());
    return !OAuthProvider::appliesTo(m_account) || prepareToken(transport);
}

bool AccountConnection::prepareToken(SmtpTransport &transport)
{
    OAuthTokenStore saved(settingsTokenFile(m_settingsFile));
    const bool pending = m_pendingSignIn && m_pendingSignIn->load(m_account.server, m_account.user);
    OAuthTokenStore &store = pending ? *m_pendingSignIn : saved;
    // Google also takes app passwords: an account that was never signed in
    // and has a password logs in with it.
    if (m_hasPassword && !pending && !store.load(m_account.server, m_account.user))
        return true;
    QString why;
    const std::optional<OAuthProvider> provider = OAuthProvider::forAccount(m_account, &why);
    if (!provider) {
        m_error = why;
        return false;
    }
    OAuthAccess access(*provider, store, m_account.server, m_account.user);
    const std::optional<QString> token = access.accessToken();
    if (!token) {
        m_error = access.errorText();
        return false;
    }
    transport.setOAuthAccessToken(*token);
    return true;
}

} // namespace OrvVelmora
