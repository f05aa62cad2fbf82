#include "net/smtp/SmtpTransport.h"

#include "AimAtTestServer.h"
#include "ScriptedPlatformServices.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

using Failure = SmtpTransport::Failure;

class SmtpTrustTest : public ::testing::Test
{
protected:
    std::unique_ptr<SmtpTestServer> start(const SmtpTestServer::Options &options)
    {
        auto server = std::make_unique<SmtpTestServer>(options);
        EXPECT_TRUE(server->start()) << server->errorText().toStdString();
        aimAt(transport, *server, 5);
        transport.setLoopbackTreatedAsRemote(true);
        return server;
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    SmtpTransport transport;
};

// A certificate the trust store does not know is accepted once the user
// trusted exactly it with the errors it had, and only then: another error is
// refused, another server's certificate is "changed".
TEST_F(SmtpTrustTest, TrustedCertificateCountsForThatCertificateAndItsErrorsOnly)
{
    const SmtpTestServer::Options tls{.startTls = true, .requireStartTls = true};
    const auto first = start(tls);
    EXPECT_FALSE(transport.Connect());
    EXPECT_EQ(transport.LastFailure(), Failure::CertificateUntrusted);
    const QSslCertificate presented = transport.PeerCertificate();
    ASSERT_FALSE(presented.isNull());
    QList<QSslError::SslError> seen;
    for (const QSslError &error : transport.PeerCertificateErrors())
        seen << error.error();
    ASSERT_FALSE(seen.isEmpty());

    transport.setTrustedCertificate(presented.digest(QCryptographicHash::Sha256), seen.mid(1));
    EXPECT_FALSE(transport.Connect()) << "an error the pin does not name";
    transport.setTrustedCertificate(presented.digest(QCryptographicHash::Sha256), seen);
    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    EXPECT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    transport.Disconnect();
    EXPECT_EQ(first->messages().size(), 1);

    const auto second = start(tls); // a fresh CA and certificate
    EXPECT_FALSE(transport.Connect());
    EXPECT_EQ(transport.LastFailure(), Failure::CertificateChanged);
    EXPECT_TRUE(transport.LastError().contains(QStringLiteral("geändert"))) << transport.LastError().toStdString();
    EXPECT_EQ(second->commands(1).filter(QStringLiteral("MAIL")).size(), 0);
}

TEST_F(SmtpTrustTest, LoginOnlyOverTlsAndWithTheMechanismAsked)
{
    const struct
    {
        const char *name;
        SmtpTestServer::Options server;
        bool requireEncryption;
        QString token;
        QString password;
        bool connects;
        Failure failure;
        QStringList auth;
    } rows[] = {
        {"no STARTTLS, encryption not required, no login", {}, false, {}, {}, true, Failure::None, {}},
        {"no STARTTLS, encryption not required, login withheld",
         {.user = QStringLiteral("anna"), .password = QStringLiteral("x")},
         false,
         {},
         QStringLiteral("x"),
         false,
         Failure::EncryptionMissing,
         {}},
        {"no STARTTLS, encryption required", {}, true, {}, {}, false, Failure::EncryptionMissing, {}},
        {"XOAUTH2 with a token",
         {.startTls = true,
          .user = QStringLiteral("anna"),
          .password = QStringLiteral("tok-1"),
          .authMechanisms = {QStringLiteral("PLAIN"), QStringLiteral("XOAUTH2")}},
         true,
         QStringLiteral("tok-1"),
         QStringLiteral("falsch"),
         true,
         Failure::None,
         {QStringLiteral("AUTH XOAUTH2")}},
        {"XOAUTH2 with a stale token",
         {.startTls = true,
          .user = QStringLiteral("anna"),
          .password = QStringLiteral("tok-1"),
          .authMechanisms = {QStringLiteral("PLAIN"), QStringLiteral("XOAUTH2")}},
         true,
         QStringLiteral("tok-0"),
         QStringLiteral("tok-1"),
         false,
         Failure::Login,
         {QStringLiteral("AUTH XOAUTH2")}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const auto server = start(row.server);
        transport.setTlsMode(row.requireEncryption ? SmtpTlsMode::Required : SmtpTlsMode::WhenOffered);
        transport.setCAFile(row.server.startTls ? server->caFile() : QString());
        transport.setOAuthAccessToken(row.token);
        transport.setUserName(row.server.user);
        transport.setPassword(row.password);
        transport.setUseAuthentication(!row.server.user.isEmpty());
        EXPECT_EQ(transport.Connect(), row.connects) << transport.LastError().toStdString();
        EXPECT_EQ(transport.LastFailure(), row.failure) << transport.LastError().toStdString();
        if (row.connects) {
            EXPECT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
        }
        transport.Disconnect();
        ASSERT_TRUE(server->waitForClosedSessions(1));
        const QStringList commands = server->commands(1);
        EXPECT_EQ(commands.filter(QStringLiteral("AUTH")), row.auth) << commands.join(QLatin1Char('|')).toStdString();
        if (!row.auth.isEmpty()) {
            EXPECT_GT(commands.indexOf(row.auth.first()), commands.indexOf(QStringLiteral("STARTTLS")));
            EXPECT_GE(commands.indexOf(QStringLiteral("STARTTLS")), 0);
        }
    }
}

} // namespace
