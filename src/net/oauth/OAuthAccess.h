#pragma once

#include "net/oauth/OAuthProvider.h"
#include "net/oauth/OAuthTokens.h"

#include <QString>

#include <optional>

namespace OrvVelmora {

class OAuthTokenStore;

/// Hands out a current access token for a signed-in account. Access tokens
/// live an hour or so; they are kept in memory for the process, and one that
/// has run out is renewed silently with the stored refresh token. A refresh
/// token the provider no longer accepts (revoked, expired, password changed)
/// ends in a German request to sign in again.
class OAuthAccess
{
public:
    OAuthAccess(OAuthProvider provider, OAuthTokenStore &store, QString server, QString user);

    /// A token valid for a while yet, or nothing with errorText().
    std::optional<QString> accessToken();
    [[nodiscard]] QString errorText() const { return m_error; }
    /// True when the failure can only be mended by signing in again.
    [[nodiscard]] bool signInNeeded() const { return m_signInNeeded; }

    /// Takes the tokens of a fresh sign-in: the refresh token into the store,
    /// the access token into memory. False when the store refused it.
    bool adopt(const OAuthTokens &tokens);
    /// Forgets the account's tokens, in memory and in the store.
    void forget();

    static constexpr int kRefreshTimeoutSeconds = 30;

private:
    std::optional<OAuthTokens> refresh(const QString &refreshToken);
    QString cacheKey() const;
    QString signInAgainText() const;

    OAuthProvider m_provider;
    OAuthTokenStore &m_store;
    QString m_server;
    QString m_user;
    QString m_error;
    bool m_signInNeeded = false;
};

} // namespace OrvVelmora
