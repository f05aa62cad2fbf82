#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// What a token endpoint hands out. expiresAt is the moment from which the
/// access token is no longer offered to a server: a little before the end the
/// provider named, so that a token does not run out between connect and login.
struct OAuthTokens
{
    QString accessToken;
    QString refreshToken; ///< empty when the provider keeps the old one
    QDateTime expiresAt;

    [[nodiscard]] bool accessTokenValid(const QDateTime &now) const
    {
        return !accessToken.isEmpty() && now < expiresAt;
    }

    /// From a token endpoint's JSON answer received at `now`; nothing without an access token.
    static std::optional<OAuthTokens> fromReply(const QJsonObject &reply, const QDateTime &now);
    /// From a lifetime in seconds as the provider tells it (0 or less: an hour).
    static QDateTime expiryFor(qint64 lifetimeSeconds, const QDateTime &now);
};

} // namespace OrvVelmora
