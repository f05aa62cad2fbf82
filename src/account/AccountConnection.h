#pragma once

#include "net/oauth/OAuthProvider.h"
#include "settings/AccountOptions.h"

#include <QString>

namespace OrvVelmora {

class MailSettings;
class OAuthTokenStore;
class SmtpTransport;

/// What an account needs on the transport beyond server, port and password:
/// the certificate the user trusts for this server, whether a server without
/// STARTTLS may be used unencrypted, and, for an account signed in through the
/// browser, a current access token (renewed silently when it has run out).
/// The test mail and the send run prepare the transport with it before they
/// connect.
class AccountConnection
{
public:
    /// port: the one the transport will use (a pin and a relay grant hold for
    /// one server and port); pendingSignIn: a sign-in not yet saved, tried
    /// before the stored one.
    AccountConnection(OAuthAccount account, qint32 port, AccountOptions options, bool hasPassword, QString settingsFile,
                      OAuthTokenStore *pendingSignIn = nullptr);
    /// The saved account, as the send run uses it.
    static AccountConnection saved(MailSettings &settings);
    /// The sign-in settings for this server and user: the account options plus
    /// the endpoint keys, which are read fresh and never written.
    static OAuthAccount oauthAccount(MailSettings &settings, const QString &server, const QString &user,
                                     const AccountOptions &options);

    /// False with errorText() when the account signs in through the browser and
    /// no current token can be had; the caller must not connect then.
    bool prepare(SmtpTransport &transport);
    [[nodiscard]] QString errorText() const { return m_error; }

private:
    bool prepareToken(SmtpTransport &transport);

    OAuthAccount m_account;
    qint32 m_port;
    AccountOptions m_options;
    bool m_hasPassword;
    QString m_settingsFile;
    OAuthTokenStore *m_pendingSignIn;
    QString m_error;
};

} // namespace OrvVelmora
