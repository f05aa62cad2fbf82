#include "net/oauth/OAuthSignIn.h"

#include "base/platform/PlatformServices.h"
#include "net/oauth/OAuthLog.h"

#include <QAbstractOAuthReplyHandler>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <functional>

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

// What the provider says goes into a fixed sentence: only its error code, and
// only when it looks like one. Free text from a redirect could come from
// anyone who can reach the loopback port ("Bitte rufen Sie ... an").
QString refusal(const QString &code)
{
    static const QRegularExpression kCode(QStringLiteral("^[A-Za-z0-9_.-]{1,64}$"));
    if (!kCode.match(code).hasMatch())
        return QStringLiteral("Die Anmeldung wurde vom Anbieter abgelehnt.");
    return QStringLiteral("Die Anmeldung wurde vom Anbieter abgelehnt (Fehlercode %1).").arg(code);
}

QString providerRefusal(QNetworkReply *reply)
{
    const QJsonObject answer = QJsonDocument::fromJson(reply->peek(64 * 1024)).object();
    const QString code = answer.value(QLatin1String("error")).toString();
    qCWarning(lcOAuth) << "token endpoint refused:" << code << answer.value(QLatin1String("error_description"))
                       << reply->errorString();
    if (!code.isEmpty())
        return refusal(code);
    return QStringLiteral("Die Anmeldung wurde abgelehnt: %1").arg(reply->errorString());
}

// Only a redirect that carries this sign-in's state is the provider's answer;
// anything else (a forged error included) is dropped before it is read.
void acceptOnlyOurRedirects(QAbstractOAuthReplyHandler *listener, QOAuth2AuthorizationCodeFlow &flow,
                            const std::function<void(const QString &)> &fail)
{
    QObject::disconnect(listener, &QAbstractOAuthReplyHandler::callbackReceived, &flow, nullptr);
    QObject::connect(listener, &QAbstractOAuthReplyHandler::callbackReceived, &flow,
                     [&flow, fail](const QVariantMap &data) {
                         if (flow.state().isEmpty() || data.value(QStringLiteral("state")).toString() != flow.state()) {
                             qCWarning(lcOAuth) << "a redirect without this sign-in's state was ignored";
                             return;
                         }
                         const QString code = data.value(QStringLiteral("error")).toString();
                         if (!code.isEmpty())
                             fail(refusal(code));
                         else
                             Q_EMIT flow.authorizationCallbackReceived(data);
                     });
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
        // The flow has just tied itself to the listener; from before the
        // browser opens, only redirects with our state get through to it.
        acceptOnlyOurRedirects(listener, flow, fail);
        if (!PlatformServices::instance().openBrowser(url))
            fail(QStringLiteral("Der Browser für die Anmeldung konnte nicht geöffnet werden."));
    });
    QObject::connect(&flow, &QAbstractOAuth::granted, &loop, [&] {
        granted = true;
        loop.quit();
    });
    QObject::connect(&flow, &QAbstractOAuth2::error, &loop,
                     [&](const QString &code, const QString &, const QUrl &) { fail(refusal(code)); });
    // This Qt version only logs a refused code exchange; the reply itself tells.
    QObject::connect(&network, &QNetworkAccessManager::finished, &loop, [&](QNetworkReply *reply) {
        if (reply->error() != QNetworkReply::NoError)
            fail(providerRefusal(reply));
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
