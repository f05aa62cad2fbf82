// Servers as they are out there: strict about the greeting name, stuck in
// HELO days, slow to finish a reply, silent or hanging up mid-dialogue, and
// one that dies when an envelope follows a message's end.
#include "net/smtp/SmtpHostName.h"
#include "net/smtp/SmtpTransport.h"

#include "AimAtTestServer.h"
#include "ScriptedPlatformServices.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSysInfo>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

using Failure = SmtpTransport::Failure;

QString customer(int n)
{
    return QStringLiteral("kunde%1@example.com").arg(n);
}

class SmtpPeerTest : public ::testing::Test
{
protected:
    void serve(const QString &fault)
    {
        server = std::make_unique<SmtpTestServer>(SmtpTestServer::Options{.fault = fault});
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        aimAt(transport, *server);
    }

    /// Sends to customer n, announcing customer `next` (0: nobody).
    qint32 sendTo(int n, int next = 0)
    {
        transport.setRecipient(customer(n));
        if (next > 0)
            transport.setNextRecipient(customer(next));
        return transport.Send();
    }

    QStringList mailLines(int session) const
    {
        return server->lines(session).filter(QRegularExpression(QStringLiteral("^MAIL ")));
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    std::unique_ptr<SmtpTestServer> server;
    SmtpTransport transport;
};

TEST_F(SmtpPeerTest, GreetingNamesAQualifiedHostOrTheAddressOfTheConnection)
{
    serve(QStringLiteral("plain"));
    transport.setHeloName(QStringLiteral("mail.velmora.example"));
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(server->lines(1).value(0), QStringLiteral("EHLO mail.velmora.example"));

    // A bare name ("vm") is what strict servers refuse; the machine's own
    // name only helps when it is qualified.
    const QString machine = QSysInfo::machineHostName();
    const bool qualified = machine.contains(QLatin1Char('.')) && !machine.startsWith(QLatin1String("localhost."));
    for (const QString &bare : {QStringLiteral("vm"), QString(), QStringLiteral("localhost")}) {
        SCOPED_TRACE(bare.toStdString());
        transport.setHeloName(bare);
        ASSERT_TRUE(transport.Connect());
        const QString expected = qualified ? machine : QStringLiteral("[127.0.0.1]");
        EXPECT_EQ(server->lines(server->sessionCount()).value(0), QStringLiteral("EHLO ") + expected);
    }
    if (qualified)
        return;
    EXPECT_EQ(SmtpHostName::greeting(QStringLiteral("vm"), QHostAddress(QStringLiteral("::ffff:192.0.2.7"))),
              QByteArrayLiteral("[192.0.2.7]"));
    EXPECT_EQ(SmtpHostName::greeting(QStringLiteral("vm."), QHostAddress(QStringLiteral("2001:db8::7"))),
              QByteArrayLiteral("[IPv6:2001:db8::7]"));
}

TEST_F(SmtpPeerTest, EhloRefusedFallsBackToHeloWithoutExtensionsOrCredentials)
{
    serve(QStringLiteral("helo-only"));
    transport.setHeloName(QStringLiteral("mail.velmora.example"));
    transport.setUserName(QStringLiteral("anna"));
    transport.setPassword(QStringLiteral("richtig"));
    transport.setUseAuthentication(true);
    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    EXPECT_GE(sendTo(1, 2), 1);
    EXPECT_GE(sendTo(2), 1);
    const QStringList lines = server->lines(1);
    EXPECT_EQ(lines.mid(0, 2),
              QStringList({QStringLiteral("EHLO mail.velmora.example"), QStringLiteral("HELO mail.velmora.example")}));
    EXPECT_TRUE(lines.filter(QStringLiteral("AUTH")).isEmpty()) << lines.join(QLatin1Char('|')).toStdString();
    // Without PIPELINING nothing is announced ahead, without SIZE nothing declared.
    EXPECT_EQ(mailLines(1), QStringList(2, QStringLiteral("MAIL FROM:<versand@example.de>")));
    EXPECT_EQ(server->messages().size(), 2);

    // An account that insists on TLS gets no session from such a server.
    transport.setLoopbackTreatedAsRemote(true);
    EXPECT_FALSE(transport.Connect());
    EXPECT_EQ(transport.LastFailure(), Failure::EncryptionMissing);
}

TEST_F(SmtpPeerTest, SizeIsDeclaredAlsoOnTheEnvelopeAnnouncedAhead)
{
    serve(QStringLiteral("plain"));
    ASSERT_TRUE(transport.Connect());
    ASSERT_GE(sendTo(1, 2), 1);
    ASSERT_GE(sendTo(2), 1);
    const QStringList mails = mailLines(1);
    ASSERT_EQ(mails.size(), 2);
    const QString declared = QStringLiteral(" SIZE=%1").arg(server->message(1, 1).size());
    EXPECT_TRUE(mails.at(0).endsWith(declared)) << mails.at(0).toStdString();
    // The announced envelope goes out before its message is built: it
    // declares its predecessor's size, an estimate of the same shape.
    EXPECT_TRUE(mails.at(1).endsWith(declared)) << mails.at(1).toStdString();

    // A message the server says it will never take is not uploaded, and a
    // limit is no reason to try again.
    transport.setRetryCount(2);
    transport.setBody(QString(120000, QLatin1Char('x')));
    EXPECT_LT(sendTo(3), 0);
    EXPECT_EQ(transport.LastFailure(), Failure::TooBig);
    EXPECT_EQ(mailLines(1).size(), 2);
    EXPECT_EQ(server->messages().size(), 2);
}

TEST_F(SmtpPeerTest, AReplyWhoseLinesKeepComingOutlastsTheTimeout)
{
    serve(QStringLiteral("trickle"));
    transport.setTimeout(1);
    QElapsedTimer clock;
    clock.start();
    // The EHLO reply takes over two seconds, a line every 0.4 s.
    EXPECT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    EXPECT_GE(clock.elapsed(), 2000);
}

TEST_F(SmtpPeerTest, SilenceAndHangUpsAreToldAsSuchNotAsRefusals)
{
    serve(QStringLiteral("plain"));
    transport.setTimeout(1);
    const struct
    {
        const char *sender;
        Failure failure;
        const char *words;
    } cases[] = {
        {"m-silent@example.de", Failure::TimedOut, "hat nicht rechtzeitig geantwortet"},
        {"m-hangup@example.de", Failure::ServerClosed, "hat die Verbindung beendet"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sender);
        transport.setFromAddress(QString::fromLatin1(c.sender));
        ASSERT_TRUE(transport.Connect());
        EXPECT_EQ(sendTo(1), -1);
        EXPECT_EQ(transport.LastFailure(), c.failure);
        EXPECT_TRUE(transport.LastError().contains(QString::fromUtf8(c.words))) << transport.LastError().toStdString();
        EXPECT_FALSE(transport.LastError().contains(QStringLiteral("abgelehnt")));
        EXPECT_FALSE(transport.IsConnected());
    }
}

TEST_F(SmtpPeerTest, AServerThatDiesOnAnnouncedEnvelopesIsSentToOneMessageAtATime)
{
    serve(QStringLiteral("drop-announced"));
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(sendTo(1, 2), SmtpTransport::SendUncertain);
    EXPECT_TRUE(transport.announcedEndLost());
    EXPECT_EQ(server->messages().size(), 1);

    transport.setAnnounceAhead(false);
    ASSERT_TRUE(transport.Connect());
    EXPECT_GE(sendTo(2, 3), 1);
    EXPECT_FALSE(transport.announcedEndLost());
    EXPECT_GE(sendTo(3), 1);
    EXPECT_EQ(server->messages().size(), 3);
    EXPECT_EQ(server->sessionCount(), 2);

    // Known by its greeting, the Dovecot submission service never gets an
    // envelope ahead in the first place.
    serve(QStringLiteral("dovecot-like"));
    transport.setAnnounceAhead(true);
    ASSERT_TRUE(transport.Connect());
    for (int n = 1; n <= 3; ++n)
        EXPECT_GE(sendTo(n, n + 1), 1) << transport.LastError().toStdString();
    EXPECT_EQ(server->messages().size(), 3);
    EXPECT_EQ(server->sessionCount(), 1);
}

} // namespace
