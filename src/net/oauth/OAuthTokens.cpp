#include "net/oauth/OAuthTokens.h"

#include <algorithm>

namespace OrvVelmora {

QDateTime OAuthTokens::expiryFor(qint64 lifetimeSeconds, const QDateTime &now)
{
    const qint64 lifetimeMs = (lifetimeSeconds > 0 ? lifetimeSeconds : 3600) * 1000;
    // A tenth of the lifetime, at most a minute, is kept in hand.
    const qint64 marginMs = std::min<qint64>(60000, lifetimeMs / 10);
    return now.addMSecs(lifetimeMs - marginMs);
}

std::optional<OAuthTokens> OAuthTokens::fromReply(const QJsonObject &reply, const QDateTime &now)
{
    OAuthTokens tokens;
    tokens.accessToken = reply.value(QLatin1String("access_token")).toString();
    if (tokens.accessToken.isEmpty())
        return std::nullopt;
    tokens.refreshToken = reply.value(QLatin1String("refresh_token")).toString();
    // Some providers send the lifetime as a number, others as text.
    const QJsonValue lifetime = reply.value(QLatin1String("expires_in"));
    const qint64 seconds = lifetime.isString() ? lifetime.toString().toLongLong() : lifetime.toInteger();
    tokens.expiresAt = expiryFor(seconds, now);
    return tokens;
}

} // namespace OrvVelmora
