#include "net/oauth/OAuthAccess.h"

#include "net/oauth/OAuthLog.h"
#include "net/oauth/OAuthTokenStore.h"

#include <QEventLoop>
#include <QHash>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrlQuery>

namespace OrvVelmora {

namespace {

// Access tokens of this process, by account and token endpoint. They are never
// written anywhere: a new process renews them from the refresh token.
QHash<QString, OAuthTokens> &issuedTokens()
{
    static QHash<QString, OAuthTokens> tokens;
    return tokens;
}

QByteArray refreshForm(const OAuthProvider &provider, const QString &refreshToken)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    form.addQueryItem(QStringLiteral("refresh_token"), refreshToken);
    form.addQueryItem(QStringLiteral("client_id"), provider.clientId);
    form.addQueryItem(QStringLiteral("scope"), provider.scope);
    // Plus signs and ampersands inside a value must reach the server encoded.
    return form.toString(QUrl::FullyEncoded).replace(QLatin1Char('+'), QStringLiteral("%2B")).toUtf8();
}

} // namespace

OAuthAccess::OAuthAccess(OAuthProvider provider, OAuthTokenStore &store, QString server, QString user)
    : m_provider(std::move(provider))
    , m_store(store)
    , m_server(std::move(server))
    , m_user(std::move(user))
{
}

QString OAuthAccess::cacheKey() const
{
    return m_store.scope() + QLatin1Char(' ') + m_user.trimmed() + QLatin1Char('@') + m_server.trimmed().toLower() +
        QLatin1Char(' ') + m_provider.tokenUrl.toString();
}

QString OAuthAccess::signInAgainText() const
{
    return QStringLiteral("Die Anmeldung bei %1 ist abgelaufen oder wurde widerrufen. Bitte melden Sie sich unter "
                          "„E-Mail Einstellungen“ mit „Anmelden…“ erneut an.")
        .arg(m_provider.name);
}

std::optional<QString> OAuthAccess::accessToken()
{
    m_error.clear();
    m_signInNeeded = false;
    const auto cached = issuedTokens().constFind(cacheKey());
    if (cached != issuedTokens().constEnd() && cached->accessTokenValid(QDateTime::currentDateTimeUtc()))
        return cached->accessToken;
    const std::optional<QString> refreshToken = m_store.load(m_server, m_user);
    if (!refreshToken) {
        m_signInNeeded = true;
        m_error = QStringLiteral("Für %1 ist noch keine Anmeldung hinterlegt. Bitte melden Sie sich unter "
                                 "„E-Mail Einstellungen“ mit „Anmelden…“ an.")
                      .arg(m_server.trimmed());
        return std::nullopt;
    }
    std::optional<OAuthTokens> renewed = refresh(*refreshToken);
    if (!renewed)
        return std::nullopt;
    qCInfo(lcOAuth) << "access token renewed for" << m_server;
    // Providers that turn the refresh token over on every use send the new one along.
    if (!renewed->refreshToken.isEmpty() && renewed->refreshToken != *refreshToken)
        m_store.save(m_server, m_user, renewed->refreshToken);
    issuedTokens().insert(cacheKey(), *renewed);
    return renewed->accessToken;
}

std::optional<OAuthTokens> OAuthAccess::refresh(const QString &refreshToken)
{
    QNetworkAccessManager network;
    QNetworkRequest request(m_provider.tokenUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setTransferTimeout(kRefreshTimeoutSeconds * 1000);
    QNetworkReply *reply = network.post(request, refreshForm(m_provider, refreshToken));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    const QString errorCode = answer.value(QLatin1String("error")).toString();
    // 400/401 with an OAuth error: the provider no longer honours this refresh token.
    if ((status == 400 || status == 401) && !errorCode.isEmpty()) {
        qCWarning(lcOAuth) << "refresh refused:" << errorCode << answer.value(QLatin1String("error_description"));
        m_signInNeeded = errorCode == QLatin1String("invalid_grant") || errorCode == QLatin1String("invalid_client") ||
            errorCode == QLatin1String("unauthorized_client");
        m_error = m_signInNeeded ? signInAgainText()
                                 : QStringLiteral("Der Anmeldedienst von %1 hat die Anmeldung abgelehnt: %2")
                                       .arg(m_provider.name, errorCode);
        return std::nullopt;
    }
    std::optional<OAuthTokens> tokens = reply->error() == QNetworkReply::NoError
        ? OAuthTokens::fromReply(answer, QDateTime::currentDateTimeUtc())
        : std::nullopt;
    if (!tokens) {
        qCWarning(lcOAuth) << "refresh failed:" << status << reply->errorString();
        m_error = QStringLiteral("Der Anmeldedienst von %1 ist nicht erreichbar: %2")
                      .arg(m_provider.name, reply->errorString());
    }
    return tokens;
}

bool OAuthAccess::adopt(const OAuthTokens &tokens)
{
    issuedTokens().insert(cacheKey(), tokens);
    return m_store.save(m_server, m_user, tokens.refreshToken);
}

void OAuthAccess::forget()
{
    issuedTokens().remove(cacheKey());
    m_store.remove(m_server, m_user);
}

} // namespace OrvVelmora
