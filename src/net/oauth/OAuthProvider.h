#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace OrvVelmora {

/// What the account's settings say about signing in with OAuth2. The server
/// decides the provider; the remaining values let an organisation use its own
/// registered application and let a test point the endpoints elsewhere.
struct OAuthAccount
{
    QString server;
    QString user;
    bool oauthRequested = false; ///< the key "OAuth" is "1": sign in even on an unknown server
    QString clientId;
    QString tenant;       ///< Microsoft only; empty means "common"
    QString authorizeUrl; ///< overrides the provider's sign-in page
    QString tokenUrl;     ///< overrides the provider's token endpoint
    QString scope;        ///< overrides the provider's scope
};

/// The sign-in endpoints and scope for one account: Microsoft 365 / Outlook.com
/// and Google are known by their SMTP servers; any other server needs the
/// endpoints from the settings.
struct OAuthProvider
{
    QString name;
    QUrl authorizeUrl;
    QUrl tokenUrl;
    QString scope;
    QString clientId;

    /// True when the account signs in with OAuth2 instead of a password.
    static bool appliesTo(const OAuthAccount &account);
    /// The provider, or nothing with a German reason in *why (missing client
    /// id, missing or malformed endpoints).
    static std::optional<OAuthProvider> forAccount(const OAuthAccount &account, QString *why);
};

} // namespace OrvVelmora
