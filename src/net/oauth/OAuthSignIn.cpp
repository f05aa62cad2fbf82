#include "net/oauth/OAuthSignIn.h"

#include "base/platform/PlatformServices.h"
#include "net/oauth/OAuthLog.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>
#include <QTimer>

namespace OrvVelmora {

namespace {

constexpr auto kBase64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

// PKCE: a fresh secret per sign-in; the provider sees only its hash until the
// code is exchanged, so a code caught on the way is worth nothing.
QByteArray newVerifier()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return bytes.toBase64(kBase64Url);
}

QByteArray challengeFor(const QByteArray &verifier)
{
    return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(kBase64Url);
}

// This Qt version hands the redirect's error text over as it stood in the
// query, with '+' for blanks and percent escapes.
QString decodedQueryText(QString text)
{
    return QUrl::fromPercentEncoding(text.replace(QLatin1Char('+'), QLatin1Char(' ')).toUtf8());
}

QString providerReason(QNetworkReply *reply)
{
    const QJsonObject answer = QJsonDocument::fromJson(reply->peek(64 * 1024)).object();
    const QString description = answer.value(QLatin1String("error_description")).toString();
    const QString code = answer.value(QLatin1String("error")).toString();
    if (!description.isEmpty())
        return description;
    return code.isEmpty() ? reply->errorString() : code;
}

} // namespace

OAuthSignIn::OAuthSignIn(OAuthProvider provider)
    : m_provider(std::move(provider))
{
}

void OAuthSignIn::cancel()
{
    m_cancelled = true;
    if (m_waiting)
        m_waiting->quit();
}

std::optional<OAuthTokens> OAuthSignIn::run(int timeoutSeconds)
{
    m_error.clear();
    m_cancelled = false;
    QNetworkAccessManager network;
    QOAuth2AuthorizationCodeFlow flow(&network);
    auto *listener = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, &flow);
    if (!listener->isListening()) {
        m_error = QStringLiteral("Für die Anmeldung konnte kein lokaler Anschluss geöffnet werden.");
        return std::nullopt;
    }
    listener->setCallbackText(QStringLiteral("Die Anmeldung ist abgeschlossen. Sie können dieses Fenster schließen."));
    flow.setReplyHandler(listener);
    flow.setAuthorizationUrl(m_provider.authorizeUrl);
    flow.setAccessTokenUrl(m_provider.tokenUrl);
    flow.setClientIdentifier(m_provider.clientId);
    flow.setScope(m_provider.scope);
    const QByteArray verifier = newVerifier();
    flow.setModifyParametersFunction(
        [challenge = challengeFor(verifier), verifier](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant> *p) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                p->insert(QStringLiteral("code_challenge"), challenge);
                p->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                p->insert(QStringLiteral("code_verifier"), verifier);
            }
        });

    QEventLoop loop;
    bool granted = false;
    const auto fail = [&](const QString &text) {
        if (m_error.isEmpty())
            m_error = text;
        qCWarning(lcOAuth) << "sign-in failed:" << text;
        loop.quit();
    };
    QObject::connect(&flow, &QAbstractOAuth::authorizeWithBrowser, &loop, [&](const QUrl &url) {
        if (!PlatformServices::instance().openBrowser(url))
            fail(QStringLiteral("Der Browser für die Anmeldung konnte nicht geöffnet werden."));
    });
    QObject::connect(&flow, &QAbstractOAuth::granted, &loop, [&] {
        granted = true;
        loop.quit();
    });
    QObject::connect(&flow, &QAbstractOAuth2::error, &loop, [&](const QString &code, const QString &description) {
        fail(QStringLiteral("Die Anmeldung wurde abgelehnt: %1")
                 .arg(decodedQueryText(description.isEmpty() ? code : description)));
    });
    // This Qt version only logs a refused code exchange; the reply itself tells.
    QObject::connect(&network, &QNetworkAccessManager::finished, &loop, [&](QNetworkReply *reply) {
        if (reply->error() != QNetworkReply::NoError)
            fail(QStringLiteral("Die Anmeldung wurde abgelehnt: %1").arg(providerReason(reply)));
    });
    QTimer::singleShot(timeoutSeconds * 1000, &loop, [&] {
        fail(QStringLiteral("Die Anmeldung im Browser wurde nicht rechtzeitig abgeschlossen."));
    });
    flow.grant();
    if (m_error.isEmpty() && !granted && !m_cancelled) {
        m_waiting = &loop;
        loop.exec();
        m_waiting = nullptr;
    }
    listener->close();
    if (m_cancelled) {
        qCInfo(lcOAuth) << "sign-in cancelled";
        m_error = QStringLiteral("Die Anmeldung wurde abgebrochen.");
        return std::nullopt;
    }
    if (!granted)
        return std::nullopt;
    if (flow.refreshToken().isEmpty()) {
        m_error =
            QStringLiteral("Der Anbieter hat keine dauerhafte Anmeldung erteilt (kein Aktualisierungsschlüssel).");
        return std::nullopt;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 lifetime = flow.expirationAt().isValid() ? now.secsTo(flow.expirationAt()) : 0;
    return OAuthTokens{flow.token(), flow.refreshToken(), OAuthTokens::expiryFor(lifetime, now)};
}

} // namespace OrvVelmora
