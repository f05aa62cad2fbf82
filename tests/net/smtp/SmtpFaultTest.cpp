#include "net/smtp/SmtpTransport.h"

#include "ScriptedPlatformServices.h"
#include "SmtpTestServer.h"

#include <QElapsedTimer>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QString kPassword = QStringLiteral("Ge#heim:Wort");

class SmtpFaultTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(good.start()) << good.errorText().toStdString(); }

    void pointAt(const QString &host, quint16 port)
    {
        transport.setServer(host);
        transport.setPort(port);
        transport.setConnectTimeout(2);
        transport.setTimeout(2);
        transport.setLoopbackTreatedAsRemote(false);
        transport.setCAFile(QString());
        transport.setUserName(QString());
        transport.setPassword(kPassword);
        transport.setUseAuthentication(true);
        transport.setFromName(QStringLiteral("Versand"));
        transport.setFromAddress(QStringLiteral("versand@example.de"));
        transport.setReplyTo(QStringLiteral("antwort@example.de"));
        transport.setOrganization(QStringLiteral("Firma"));
        transport.setRecipient(QStringLiteral("kunde@example.com"));
        transport.setSubject(QStringLiteral("Betreff"));
        transport.setBody(QStringLiteral("Text"));
    }

    /// After any failure the same transport delivers the next message, over the
    /// same session when it survived, else after a reconnect.
    void expectRecovery(const SmtpTestServer &target)
    {
        pointAt(target.host(), target.port());
        const int before = static_cast<int>(target.messages().size());
        if (!transport.IsConnected()) {
            ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
        }
        EXPECT_GE(transport.Send(), 1) << transport.LastError().toStdString();
        EXPECT_EQ(target.messages().size(), before + 1);
        transport.Disconnect();
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    SmtpTestServer good;
    SmtpTransport transport;
};

TEST_F(SmtpFaultTest, EachFailureIsReportedAndTheNextMessageGoesOut)
{
    using Change = void (*)(SmtpTransport &);
    const Change none = [](SmtpTransport &) {};
    const Change remoteWithCredentials = [](SmtpTransport &t) {
        t.setLoopbackTreatedAsRemote(true);
        t.setUserName(QStringLiteral("anna"));
    };
    const struct
    {
        const char *name;
        SmtpTestServer::Options server;
        Change change;
        bool failsAtConnect;
        qint32 sendResult;
        const char *lastErrorHas;
        bool noAuthAtServer;
    } rows[] = {
        {"connection refused",
         {.fault = QStringLiteral("greeting421")},
         [](SmtpTransport &t) { t.setPort(1); },
         true,
         0,
         "nicht erreichbar",
         false},
        {"421 greeting", {.fault = QStringLiteral("greeting421")}, none, true, 0, "421 4.3.2", false},
        {"STARTTLS refused on a remote server",
         {.fault = QStringLiteral("starttls-refused")},
         remoteWithCredentials,
         true,
         0,
         "454 4.7.0",
         true},
        {"certificate from an unknown CA", {.startTls = true}, remoteWithCredentials, true, 0, "Zertifikat", true},
        {"DATA 554",
         {},
         [](SmtpTransport &t) { t.setRecipient(QStringLiteral("reject-data@example.com")); },
         false,
         -554,
         "554 5.6.0",
         false},
        {"session dropped after the body",
         {.fault = QStringLiteral("drop-in-data")},
         none,
         false,
         SmtpTransport::SendUncertain,
         "möglicherweise angekommen",
         false},
        {"server never answers", {.fault = QStringLiteral("silent")}, none, true, 0, "Zeitüberschreitung", false},
        {"reply line never ends", {.fault = QStringLiteral("endless-line")}, none, true, 0, "unlesbar", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        SmtpTestServer server(row.server);
        ASSERT_TRUE(server.start()) << server.errorText().toStdString();
        pointAt(server.host(), server.port());
        row.change(transport);
        platform.processEventsCount = 0;
        QElapsedTimer clock;
        clock.start();
        if (row.failsAtConnect) {
            EXPECT_FALSE(transport.Connect());
            EXPECT_FALSE(transport.IsConnected());
        } else {
            ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
            EXPECT_EQ(transport.Send(), row.sendResult);
        }
        EXPECT_LT(clock.elapsed(), (2 + 2) * 1000) << "bounded by the timeout + 2 s";
        EXPECT_GT(platform.processEventsCount, clock.elapsed() > 500 ? 5 : -1) << "events ran while waiting";
        EXPECT_TRUE(transport.LastError().contains(QString::fromUtf8(row.lastErrorHas)))
            << transport.LastError().toStdString();
        EXPECT_FALSE(transport.LastError().contains(kPassword));
        if (row.noAuthAtServer) {
            server.waitForClosedSessions(1);
            for (const QString &command : server.commands(1))
                EXPECT_FALSE(command.startsWith(QStringLiteral("AUTH"))) << "credentials sent without TLS";
        }
        expectRecovery(row.failsAtConnect || !row.server.fault.isEmpty() ? good : server);
    }
}

TEST_F(SmtpFaultTest, TemporaryRefusalIsRetriedWhenAsked)
{
    pointAt(good.host(), good.port());
    transport.setFromAddress(QStringLiteral("tempfail-once@example.de"));
    transport.setRetryCount(1);
    ASSERT_TRUE(transport.Connect());
    EXPECT_GE(transport.Send(), 1) << transport.LastError().toStdString();
    EXPECT_EQ(good.messages().size(), 1);
}

TEST_F(SmtpFaultTest, UnusableServerSettingsFailWithoutConnecting)
{
    const qint32 port = good.port();
    const std::pair<QString, qint32> rows[] = {
        {QString(), port},
        {QStringLiteral("   "), port},
        {QStringLiteral("mail server.example"), port},
        {QStringLiteral("anna:geheim@127.0.0.1"), port},
        {QStringLiteral("127.0.0.1:%1").arg(port), 0},
        {QStringLiteral("127.0.0.1/anderer-name"), port},
        {QStringLiteral("127.0.0.1\r\nQUIT"), port},
        {QStringLiteral("127.0.0.1"), 70000},
    };
    for (const auto &[server, serverPort] : rows) {
        SCOPED_TRACE(server.toStdString() + ":" + std::to_string(serverPort));
        pointAt(server, 0);
        transport.setPort(serverPort);
        EXPECT_FALSE(transport.Connect());
        EXPECT_FALSE(transport.LastError().isEmpty());
    }
    EXPECT_EQ(good.sessionCount(), 0);
    pointAt(QStringLiteral(" 127.0.0.1 "), good.port());
    EXPECT_TRUE(transport.Connect()) << "blanks around the name are forgiven";
}

TEST_F(SmtpFaultTest, InjectedLineBreaksNeverMakeHeadersOrCommands)
{
    const QString payloads[] = {
        QStringLiteral("a\rBcc: evil@example.org"),
        QStringLiteral("a\nBcc: evil@example.org"),
        QStringLiteral("a\r\nBcc: evil@example.org"),
        QStringLiteral("a") + QChar(0) + QStringLiteral("Bcc: evil@example.org"),
        QStringLiteral("a\r\n.\r\nRCPT TO:<evil@example.org>\r\n"),
        QString(2000, QLatin1Char('n')),
    };
    using Setter = void (SmtpTransport::*)(const QString &);
    const struct
    {
        const char *name;
        Setter set;
        QString prefix; // non-empty for addresses, which are refused instead
    } fields[] = {
        {"Subject", &SmtpTransport::setSubject, {}},
        {"FromName", &SmtpTransport::setFromName, {}},
        {"Organization", &SmtpTransport::setOrganization, {}},
        {"Recipient", &SmtpTransport::setRecipient, QStringLiteral("kunde@example.com")},
        {"FromAddress", &SmtpTransport::setFromAddress, QStringLiteral("versand@example.de")},
        {"ReplyTo", &SmtpTransport::setReplyTo, QStringLiteral("antwort@example.de")},
    };
    pointAt(good.host(), good.port());
    ASSERT_TRUE(transport.Connect());
    ASSERT_EQ(transport.Send(), 1);
    const int baselineHeaders = SmtpTestServer::parse(good.message(1, 1))[QStringLiteral("headerLines")].toInt();
    ASSERT_GT(baselineHeaders, 8);
    int sent = 1;
    for (const auto &field : fields) {
        for (const QString &payload : payloads) {
            SCOPED_TRACE(std::string(field.name) + " <- " + payload.left(30).toStdString());
            pointAt(good.host(), good.port());
            (transport.*field.set)(field.prefix + payload);
            const int commandsBefore = static_cast<int>(good.commands(1).size());
            const qint32 result = transport.Send();
            const int newCommands = static_cast<int>(good.commands(1).size()) - commandsBefore;
            if (!field.prefix.isEmpty()) {
                EXPECT_EQ(result, -1);
                EXPECT_EQ(newCommands, 0) << "refused before reaching the server";
                continue;
            }
            ASSERT_EQ(result, ++sent) << transport.LastError().toStdString();
            EXPECT_EQ(newCommands, 3) << "MAIL, RCPT, DATA and nothing else";
            const QJsonObject parsed = SmtpTestServer::parse(good.message(1, sent));
            EXPECT_EQ(parsed[QStringLiteral("headerLines")].toInt(), baselineHeaders);
            EXPECT_FALSE(parsed[QStringLiteral("headers")].toObject().contains(QStringLiteral("Bcc")));
            EXPECT_LE(parsed[QStringLiteral("maxLineLength")].toInt(), 998);
            EXPECT_EQ(good.envelope(1, sent).size(), 2) << "one MAIL, one RCPT";
        }
    }
    transport.Disconnect();
    ASSERT_TRUE(good.waitForClosedSessions(1));
    EXPECT_FALSE(good.commands(1).join(QLatin1Char('\n')).contains(QStringLiteral("evil")));
    EXPECT_EQ(good.sessionCount(), 1);
}

TEST_F(SmtpFaultTest, RecipientAddressesAreCheckedBeforeSending)
{
    const std::pair<const char *, bool> rows[] = {
        {"kunde@example.com", true},
        {"vor.name+tag@sub.example.de", true},
        {"kunde@münchen.de", true},
        {"kunde example@example.com", false},
        {"kunde@example .com", false},
        {"kundeexample.com", false},
        {"kunde@", false},
        {"@example.com", false},
        {"kunde@@example.com", false},
        {"kunde\t@example.com", false},
        {"kunde@exa\x7fmple.com", false},
        {"<kunde@example.com>", false},
        {"kunde@example.com>,<x@y.de", false},
        {"", false},
    };
    pointAt(good.host(), good.port());
    ASSERT_TRUE(transport.Connect());
    int sent = 0;
    for (const auto &[address, valid] : rows) {
        SCOPED_TRACE(address);
        transport.setRecipient(QString::fromUtf8(address));
        const qint32 result = transport.Send();
        if (valid) {
            EXPECT_EQ(result, ++sent) << transport.LastError().toStdString();
        } else {
            EXPECT_EQ(result, -1);
            EXPECT_TRUE(transport.LastError().startsWith(QStringLiteral("Die Empfängeradresse")));
        }
    }
    EXPECT_EQ(good.messages().size(), sent);
    EXPECT_EQ(good.envelope(1, 3).constLast(), QStringLiteral("RCPT kunde@xn--mnchen-3ya.de"));
}

} // namespace
