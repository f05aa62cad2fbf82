#include "OAuthTestServer.h"
#include "ScriptedPlatformServices.h"

#include "account/SettingsTokenFile.h"
#include "net/oauth/OAuthAccess.h"
#include "net/oauth/OAuthProvider.h"
#include "net/oauth/OAuthSignIn.h"
#include "net/oauth/OAuthTokenStore.h"
#include "settings/SettingsFileStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

TEST(OAuthProviderChoice, KnownServersAndOverridesAndWhatIsMissing)
{
    struct Case
    {
        OAuthAccount account;
        const char *authorize; // nullptr: refused
        const char *scope;
    };
    const auto account = [](const char *server, bool flag = false, const char *tenant = "",
                            const char *authorizeUrl = "", const char *tokenUrl = "") {
        return OAuthAccount{
            QLatin1String(server),       QStringLiteral("anna"),  flag, QStringLiteral("client"), QLatin1String(tenant),
            QLatin1String(authorizeUrl), QLatin1String(tokenUrl), {}};
    };
    const Case cases[] = {
        {account(" SMTP.Office365.com "), "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
         "https://outlook.office.com/SMTP.Send offline_access"},
        {account("smtp-mail.outlook.com", false, "kanzlei.onmicrosoft.com"),
         "https://login.microsoftonline.com/kanzlei.onmicrosoft.com/oauth2/v2.0/authorize", nullptr},
        {account("smtp.gmail.com"), "https://accounts.google.com/o/oauth2/v2/auth", "https://mail.google.com/"},
        {account("smtp.gmail.com", false, "", "http://127.0.0.1:9/authorize", "http://127.0.0.1:9/token"),
         "http://127.0.0.1:9/authorize", nullptr},
        {account("mail.buero.lan"), nullptr, nullptr},
        {account("mail.buero.lan", true), nullptr, nullptr},
        {account("mail.buero.lan", true, "", "https://sso.buero.lan/auth", "https://sso.buero.lan/token"),
         "https://sso.buero.lan/auth", nullptr},
        // A sign-in page over plain http is accepted only on this machine.
        {account("mail.buero.lan", true, "", "http://sso.buero.lan/auth", "http://sso.buero.lan/token"), nullptr,
         nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.account.server.toStdString() + " " + c.account.authorizeUrl.toStdString());
        QString why;
        const std::optional<OAuthProvider> provider = OAuthProvider::forAccount(c.account, &why);
        ASSERT_EQ(provider.has_value(), c.authorize != nullptr) << why.toStdString();
        if (!provider) {
            EXPECT_FALSE(why.isEmpty());
            continue;
        }
        EXPECT_EQ(provider->authorizeUrl.toString(), QLatin1String(c.authorize));
        if (c.scope) {
            EXPECT_EQ(provider->scope, QLatin1String(c.scope));
        }
    }
    OAuthAccount noClient = account("smtp.gmail.com");
    noClient.clientId = QStringLiteral("  ");
    QString why;
    EXPECT_FALSE(OAuthProvider::forAccount(noClient, &why));
    EXPECT_TRUE(why.contains(QLatin1String("OAuthClientId")));
}

namespace {

class OAuthFlow : public ::testing::Test
{
protected:
    void startServer(int lifetimeSeconds)
    {
        server = std::make_unique<OAuthTestServer>(lifetimeSeconds);
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        provider = {QStringLiteral("Testanbieter"), QUrl(server->authorizeUrl()), QUrl(server->tokenUrl()),
                    QStringLiteral("mail.send offline_access"), QLatin1String(OAuthTestServer::kClientId)};
    }

    std::optional<OAuthTokens> signIn()
    {
        desk.browser = server->browser();
        OAuthSignIn signIn(provider);
        auto tokens = signIn.run(20);
        lastError = signIn.errorText();
        return tokens;
    }

    QTemporaryDir folder;
    QString settingsFile = folder.filePath(QStringLiteral("velmora.ini"));
    ScriptedPlatformServices desk;
    ScriptedPlatformServices::Scope scope{desk};
    std::unique_ptr<OAuthTestServer> server;
    OAuthProvider provider;
    OAuthTokenStore store{settingsTokenFile(settingsFile)};
    QString lastError;
};

} // namespace

TEST_F(OAuthFlow, SignsInWithPkceThenRenewsSilentlyUntilTheGrantIsRevoked)
{
    startServer(2);
    const std::optional<OAuthTokens> tokens = signIn();
    ASSERT_TRUE(tokens) << lastError.toStdString();
    ASSERT_EQ(desk.openedUrls.size(), 1);
    EXPECT_EQ(QUrlQuery(desk.openedUrls[0]).queryItemValue(QStringLiteral("code_challenge_method")),
              QLatin1String("S256"));
    EXPECT_EQ(server->count(QStringLiteral("token authorization_code")), 1);

    OAuthAccess access(provider, store, QStringLiteral("smtp.test"), QStringLiteral("anna"));
    ASSERT_TRUE(access.adopt(*tokens));
    EXPECT_EQ(access.accessToken(), tokens->accessToken);
    EXPECT_EQ(server->count(QStringLiteral("token refresh_token")), 0);

    QThread::msleep(2100);
    const std::optional<QString> renewed = access.accessToken();
    ASSERT_TRUE(renewed) << access.errorText().toStdString();
    EXPECT_NE(*renewed, tokens->accessToken);
    EXPECT_EQ(server->count(QStringLiteral("token refresh_token")), 1);
    // The provider turned the refresh token over; the new one is what is kept.
    const std::optional<QString> kept = store.load(QStringLiteral("smtp.test"), QStringLiteral("anna"));
    ASSERT_TRUE(kept);
    EXPECT_NE(*kept, tokens->refreshToken);

    ASSERT_TRUE(server->revoke(*kept));
    QThread::msleep(2100);
    EXPECT_FALSE(access.accessToken());
    EXPECT_TRUE(access.signInNeeded());
    EXPECT_TRUE(access.errorText().contains(QLatin1String("erneut an"))) << access.errorText().toStdString();
}

TEST_F(OAuthFlow, SignInFailuresEndWithAGermanReasonInsteadOfWaiting)
{
    startServer(3600);
    desk.browser = nullptr;
    OAuthSignIn noBrowser(provider);
    EXPECT_FALSE(noBrowser.run(20));
    EXPECT_TRUE(noBrowser.errorText().contains(QLatin1String("Browser")));

    provider.scope = QStringLiteral("refuse");
    EXPECT_FALSE(signIn());
    EXPECT_EQ(lastError, QStringLiteral("Die Anmeldung wurde vom Anbieter abgelehnt (Fehlercode access_denied)."));
    EXPECT_EQ(server->count(QStringLiteral("token")), 0);

    desk.browser = [](const QUrl &) {}; // the person never finishes
    OAuthSignIn abandoned(provider);
    EXPECT_FALSE(abandoned.run(1));
    EXPECT_TRUE(abandoned.errorText().contains(QLatin1String("nicht rechtzeitig")));

    OAuthSignIn cancelled(provider);
    QUrl listener;
    desk.browser = [&](const QUrl &url) {
        listener = QUrl(QUrlQuery(url).queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
        QTimer::singleShot(0, qApp, [&] { cancelled.cancel(); });
    };
    EXPECT_FALSE(cancelled.run(20));
    EXPECT_TRUE(cancelled.cancelled() && cancelled.errorText().contains(QLatin1String("abgebrochen")));
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, quint16(listener.port()));
    EXPECT_FALSE(late.waitForConnected(2000)) << "the listener is closed with the cancel";

    provider.tokenUrl = QUrl(QStringLiteral("http://127.0.0.1:1/token"));
    OAuthAccess unreachable(provider, store, QStringLiteral("smtp.test"), QStringLiteral("anna"));
    store.save(QStringLiteral("smtp.test"), QStringLiteral("anna"), QStringLiteral("r"));
    EXPECT_FALSE(unreachable.accessToken());
    EXPECT_FALSE(unreachable.signInNeeded());
    EXPECT_TRUE(unreachable.errorText().contains(QLatin1String("nicht erreichbar")));
}

// Anyone on this machine can reach the loopback listener. A redirect without
// the sign-in's state (or with another) must neither end the sign-in nor put
// its text in front of the user; the real answer that follows still counts.
TEST_F(OAuthFlow, ForgedRedirectsAreIgnoredUntilTheProviderAnswers)
{
    startServer(3600);
    QNetworkAccessManager attacker;
    const std::function<void(const QUrl &)> realBrowser = server->browser();
    desk.browser = [&](const QUrl &url) {
        QUrl forged(QUrlQuery(url).queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
        for (const char *query : {"error=access_denied&error_description=Bitte+rufen+Sie+0800-1234567+an",
                                  "error=<b>x</b>&state=falsch", "code=gestohlen&state=falsch"}) {
            forged.setQuery(QLatin1String(query));
            std::unique_ptr<QNetworkReply> reply(attacker.get(QNetworkRequest(forged)));
            QEventLoop answered;
            QObject::connect(reply.get(), &QNetworkReply::finished, &answered, &QEventLoop::quit);
            answered.exec();
        }
        realBrowser(url);
    };
    OAuthSignIn signIn(provider);
    const std::optional<OAuthTokens> tokens = signIn.run(20);
    EXPECT_TRUE(tokens) << signIn.errorText().toStdString();
    EXPECT_TRUE(signIn.errorText().isEmpty()) << signIn.errorText().toStdString();
    EXPECT_EQ(server->count(QStringLiteral("token authorization_code")), 1);
}

// Run twice by CTest: without a session bus (the settings file takes the
// token) and inside a private keyring session (the keyring takes it).
TEST(TokenStore, KeepsOneTokenPerServerAndUserWhereverItCan)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("velmora.ini"));
    const bool keyring = qEnvironmentVariableIsSet("VELMORA_TEST_KEYRING");
    OAuthTokenStore store(settingsTokenFile(file));
    ASSERT_TRUE(store.save(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna"), QStringLiteral("rt-1/+=")));
    EXPECT_EQ(store.lastPlace(), keyring ? OAuthTokenStore::Place::Keyring : OAuthTokenStore::Place::SettingsFile);
    const QString inFile = SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QStringLiteral("OAuthToken"), file);
    EXPECT_EQ(inFile.contains(QLatin1String("rt-1/+=")), !keyring);
    if (!keyring) {
        EXPECT_EQ(QFile::permissions(file) & 0x0077, QFileDevice::Permissions());
    }

    OAuthTokenStore later(settingsTokenFile(file));
    EXPECT_EQ(later.load(QStringLiteral("SMTP.gmail.com"), QStringLiteral("anna")), QStringLiteral("rt-1/+="));
    EXPECT_FALSE(later.load(QStringLiteral("smtp.gmail.com"), QStringLiteral("bert")));
    EXPECT_FALSE(later.load(QStringLiteral("smtp.office365.com"), QStringLiteral("anna")));
    later.remove(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna"));
    EXPECT_FALSE(store.load(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna")));
}

// A keyring asking to be unlocked takes its time; the token still goes there
// and not into the file. A token the file took while no keyring answered
// moves into the keyring as soon as one does. Runs in the keyring session only.
TEST(TokenStore, WaitsForASlowKeyringAndMovesAFileCopyIntoIt)
{
    const pid_t keyring = pid_t(qEnvironmentVariableIntValue("VELMORA_KEYRING_PID"));
    if (keyring <= 0)
        GTEST_SKIP() << "needs the private keyring session of with_keyring.sh";
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("velmora.ini"));
    const OAuthTokenFile inFile = settingsTokenFile(file);
    ASSERT_TRUE(inFile.write(QStringLiteral("anna@smtp.gmail.com rt-alt")));
    OAuthTokenStore store(inFile);
    EXPECT_EQ(store.load(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna")), QStringLiteral("rt-alt"));
    EXPECT_EQ(store.lastPlace(), OAuthTokenStore::Place::Keyring);
    EXPECT_EQ(inFile.read(), QString()) << "the file's copy is gone";

    ASSERT_EQ(::kill(keyring, SIGSTOP), 0);
    std::thread unlock([keyring] {
        std::this_thread::sleep_for(std::chrono::milliseconds(7000));
        ::kill(keyring, SIGCONT);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(store.save(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna"), QStringLiteral("rt-langsam")));
    EXPECT_GE(clock.elapsed(), 6500);
    unlock.join();
    EXPECT_EQ(store.lastPlace(), OAuthTokenStore::Place::Keyring);
    EXPECT_EQ(inFile.read(), QString());
    EXPECT_EQ(OAuthTokenStore(inFile).load(QStringLiteral("smtp.gmail.com"), QStringLiteral("anna")),
              QStringLiteral("rt-langsam"));
}
