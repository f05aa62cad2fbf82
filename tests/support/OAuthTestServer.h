#pragma once

#include <QNetworkAccessManager>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>

namespace OrvVelmora::Testing {

/// tests/support/oauth_test_server.py on 127.0.0.1: an OAuth2 authorization
/// server (authorize, token with PKCE, refresh, revoke) and an SMTP server that
/// takes XOAUTH2 with a current access token only. It ends with this object.
class OAuthTestServer
{
public:
    static constexpr const char *kClientId = "velmora-test-client";

    /// lifetimeSeconds: how long each access token it hands out is current.
    explicit OAuthTestServer(int lifetimeSeconds = 3600)
        : m_lifetime(lifetimeSeconds)
    {
    }
    ~OAuthTestServer();
    OAuthTestServer(const OAuthTestServer &) = delete;
    OAuthTestServer &operator=(const OAuthTestServer &) = delete;

    bool start();
    QString errorText() const { return m_error; }

    QString authorizeUrl() const { return endpoint("/authorize"); }
    QString tokenUrl() const { return endpoint("/token"); }
    quint16 smtpPort() const { return m_smtpPort; }

    /// One line per event: "authorize scope=...", "token authorization_code",
    /// "token refresh_token", "refused /token invalid_grant", "revoke",
    /// "smtp-auth ok <user>", "smtp-auth refused <user>", "smtp-message <rcpt>".
    QStringList events() const;
    int count(const QString &eventPrefix) const;
    /// Revokes a refresh token as the provider's account page would; waits for the answer.
    bool revoke(const QString &refreshToken);

    /// A browser for ScriptedPlatformServices::browser: it loads the sign-in
    /// page and follows the redirect back to the component's listener.
    std::function<void(const QUrl &)> browser();

private:
    QString endpoint(const char *path) const;

    int m_lifetime;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    QNetworkAccessManager m_browser;
    quint16 m_httpPort = 0;
    quint16 m_smtpPort = 0;
    QString m_error;
};

} // namespace OrvVelmora::Testing
