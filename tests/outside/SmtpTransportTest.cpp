#include "outside/SmtpTransport.h"

#include "ScriptedPlatformServices.h"
#include "SmtpTestServer.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

/// The one decoded value of a header; header names compare case-insensitively.
QString header(const QJsonObject &parsed, const char *name)
{
    const QJsonObject headers = parsed[QStringLiteral("headers")].toObject();
    QJsonArray values;
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        if (it.key().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            values = it.value().toArray();
    }
    return values.size() == 1 ? values.first().toString() : QStringLiteral("<%1 values>").arg(values.size());
}

QJsonArray parts(const QJsonObject &parsed)
{
    return parsed[QStringLiteral("parts")].toArray();
}

QByteArray data(const QJsonValue &part)
{
    return QByteArray::fromBase64(part[QStringLiteral("data")].toString().toLatin1());
}

class SmtpTransportTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(files.isValid()); }

    void pointAt(const SmtpTestServer &server) { pointAtFor(transport, server); }

    static void pointAtFor(SmtpTransport &transport, const SmtpTestServer &server)
    {
        transport.setServer(server.host());
        transport.setPort(server.port());
        transport.setConnectTimeout(5);
        transport.setTimeout(5);
        transport.setFromName(QStringLiteral("Versand"));
        transport.setFromAddress(QStringLiteral("versand@example.de"));
        transport.setRecipient(QStringLiteral("kunde@example.com"));
        transport.setSubject(QStringLiteral("Hallo"));
        transport.setBody(QStringLiteral("Text"));
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir files;
    SmtpTransport transport;
};

TEST_F(SmtpTransportTest, RoundTripKeepsEveryHeaderPartAndAttachment)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    pointAt(server);
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    const QString pdf = writeFile(QStringLiteral("Übersicht März.pdf"), "%PDF-1.4\n" + binary);
    const QString sheet = writeFile(QStringLiteral("Preisliste Müller.csv"), "Nr;Preis\r\n1;2,50\r\n");
    transport.setFromName(QStringLiteral("Jürgen Müller-Lüdenscheidt"));
    transport.setReplyTo(QStringLiteral("antwort@example.de"));
    transport.setOrganization(QStringLiteral("Test München West – GmbH 😀"));
    transport.setSubject(QStringLiteral("Test München West – Angebot 😀"));
    transport.setBody(QStringLiteral("Grüße\r\n.\r\n..Punkt am Anfang\nEnde"));
    transport.setFormattedBody(QStringLiteral("<p>") + QString(100000, QLatin1Char('x')) + QStringLiteral("ä</p>"));
    transport.setPriority(1);
    transport.setReadReceipt(true);
    transport.AddAttachment(pdf, false);
    transport.AddAttachment(sheet, true);

    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    ASSERT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    transport.Disconnect();

    const QJsonObject parsed = SmtpTestServer::parse(server.message(1, 1));
    ASSERT_FALSE(parsed.isEmpty());
    EXPECT_EQ(header(parsed, "From"), QStringLiteral("Jürgen Müller-Lüdenscheidt <versand@example.de>"));
    EXPECT_EQ(header(parsed, "Reply-To"), QStringLiteral("antwort@example.de"));
    EXPECT_EQ(header(parsed, "To"), QStringLiteral("kunde@example.com"));
    EXPECT_EQ(header(parsed, "Subject"), QStringLiteral("Test München West – Angebot 😀"));
    EXPECT_EQ(header(parsed, "Organization"), QStringLiteral("Test München West – GmbH 😀"));
    EXPECT_EQ(header(parsed, "X-Priority").left(1), QStringLiteral("1"));
    EXPECT_EQ(header(parsed, "Importance"), QStringLiteral("high"));
    EXPECT_TRUE(header(parsed, "Disposition-Notification-To").contains(QStringLiteral("versand@example.de")));
    EXPECT_EQ(header(parsed, "MIME-Version"), QStringLiteral("1.0"));
    EXPECT_FALSE(header(parsed, "Date").startsWith(QLatin1Char('<')));
    EXPECT_TRUE(header(parsed, "Message-ID").endsWith(QStringLiteral("@example.de>")));
    EXPECT_EQ(parsed[QStringLiteral("structure")].toString(),
              QStringLiteral("multipart/mixed(multipart/alternative(text/plain,text/html),application/pdf,application/zip)"));
    EXPECT_EQ(parsed[QStringLiteral("bareLineEnds")].toInt(), 0);
    EXPECT_LE(parsed[QStringLiteral("maxLineLength")].toInt(), 998);

    const QJsonArray leaves = parts(parsed);
    ASSERT_EQ(leaves.size(), 4);
    EXPECT_EQ(leaves[0][QStringLiteral("text")].toString(), QStringLiteral("Grüße\n.\n..Punkt am Anfang\nEnde"));
    EXPECT_EQ(leaves[0][QStringLiteral("charset")].toString(), QStringLiteral("utf-8"));
    EXPECT_EQ(leaves[1][QStringLiteral("text")].toString(), transport.FormattedBody());
    EXPECT_EQ(leaves[2][QStringLiteral("filename")].toString(), QStringLiteral("Übersicht März.pdf"));
    EXPECT_EQ(data(leaves[2]), "%PDF-1.4\n" + binary);
    EXPECT_EQ(leaves[3][QStringLiteral("filename")].toString(), QStringLiteral("Preisliste Müller.csv.zip"));
    const QJsonArray entries = leaves[3][QStringLiteral("zipEntries")].toArray();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0][QStringLiteral("name")].toString(), QStringLiteral("Preisliste Müller.csv"));
    EXPECT_EQ(entries[0][QStringLiteral("compressType")].toInt(), 8) << "deflated";
    EXPECT_EQ(data(entries[0]), QByteArray("Nr;Preis\r\n1;2,50\r\n"));
}

TEST_F(SmtpTransportTest, BodyShapeFollowsFormattedBodyAndPriority)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    pointAt(server);
    struct Row
    {
        const char *name;
        QString html;
        qint32 priority;
        bool receipt;
        QString structure;
        QString importance;
    };
    const Row rows[] = {
        {"plain only, low", QString(), 5, false, QStringLiteral("text/plain"), QStringLiteral("low")},
        {"alternative, normal", QStringLiteral("<b>x</b>"), 3, true,
         QStringLiteral("multipart/alternative(text/plain,text/html)"), QStringLiteral("normal")},
        {"out-of-range priority counts as normal", QString(), 9, false, QStringLiteral("text/plain"),
         QStringLiteral("normal")},
    };
    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    int index = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        transport.setFormattedBody(row.html);
        transport.setPriority(row.priority);
        transport.setReadReceipt(row.receipt);
        ASSERT_EQ(transport.Send(), ++index) << transport.LastError().toStdString();
        const QJsonObject parsed = SmtpTestServer::parse(server.message(1, index));
        EXPECT_EQ(parsed[QStringLiteral("structure")].toString(), row.structure);
        EXPECT_EQ(header(parsed, "Importance"), row.importance);
        const bool hasReceipt = parsed[QStringLiteral("headers")].toObject().contains(
            QStringLiteral("Disposition-Notification-To"));
        EXPECT_EQ(hasReceipt, row.receipt);
    }
}

TEST_F(SmtpTransportTest, OneConnectIsOneSessionCarryingEverySend)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    pointAt(server);
    QList<int> progress;
    int resets = 0;
    QObject::connect(&transport, &SmtpTransport::Progress, [&](qint32 p) { progress << p; });
    QObject::connect(&transport, &SmtpTransport::ProgressReset, [&](qint32) { ++resets; });

    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    EXPECT_TRUE(transport.IsConnected());
    for (int i = 1; i <= 3; ++i) {
        transport.setRecipient(QStringLiteral("kunde%1@example.com").arg(i));
        EXPECT_EQ(transport.Send(), i) << transport.LastError().toStdString();
    }
    transport.Disconnect();
    EXPECT_FALSE(transport.IsConnected());
    EXPECT_LT(transport.Send(), 0) << "no message without a session";

    ASSERT_TRUE(server.waitForClosedSessions(1));
    EXPECT_EQ(server.messagesPerSession(), QList<int>{3});
    EXPECT_EQ(server.commands(1).last(), QStringLiteral("QUIT"));
    EXPECT_EQ(server.envelope(1, 3).last(), QStringLiteral("RCPT kunde3@example.com"));
    EXPECT_EQ(resets, 3);
    EXPECT_EQ(progress.count(100), 3);
    for (int i = 1; i < progress.size(); ++i)
        EXPECT_TRUE(progress[i] > progress[i - 1] || progress[i - 1] == 100) << "progress goes up per message";
}

TEST_F(SmtpTransportTest, ServerDroppingTheSessionShowsAsDisconnected)
{
    SmtpTestServer server({.dropAfterMessages = 2});
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    pointAt(server);
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(transport.Send(), 1);
    EXPECT_EQ(transport.Send(), 2);
    ASSERT_TRUE(server.waitForClosedSessions(1));
    EXPECT_FALSE(transport.IsConnected());
    EXPECT_LT(transport.Send(), 0);
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(transport.Send(), 1);
    transport.Disconnect();
    EXPECT_EQ(server.messagesPerSession(), (QList<int>{2, 1}));
}

TEST_F(SmtpTransportTest, AttachmentIsReadOnceAndAMissingOneStopsTheMessage)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    pointAt(server);
    const QString path = writeFile(QStringLiteral("anlage.txt"), "erste Fassung");
    transport.AddAttachment(path, true);
    ASSERT_TRUE(transport.Connect());
    ASSERT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    writeFile(QStringLiteral("anlage.txt"), "zweite Fassung");
    ASSERT_EQ(transport.Send(), 2) << transport.LastError().toStdString();
    const QJsonArray second = parts(SmtpTestServer::parse(server.message(1, 2)));
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(data(second[1][QStringLiteral("zipEntries")][0]), QByteArray("erste Fassung"))
        << "the packed copy of the first message is reused";

    transport.ClearAttachments();
    transport.AddAttachment(files.filePath(QStringLiteral("fehlt.pdf")), false);
    EXPECT_EQ(transport.Send(), -1);
    EXPECT_TRUE(transport.LastError().contains(QStringLiteral("fehlt.pdf"))) << transport.LastError().toStdString();
    EXPECT_TRUE(transport.IsConnected()) << "a local failure keeps the session";

    transport.ClearAttachments();
    EXPECT_EQ(transport.Send(), 3) << transport.LastError().toStdString();
    transport.Disconnect();
    EXPECT_EQ(server.messagesPerSession(), QList<int>{3}) << "nothing partial went out";
    EXPECT_EQ(parts(SmtpTestServer::parse(server.message(1, 3))).size(), 1);
}

struct TlsRow
{
    const char *name;
    SmtpTestServer::Options server;
    bool remote;
    bool useTls;
    bool connects;
    bool startTlsSeen;
};

TEST_F(SmtpTransportTest, TlsRulesWithAuthenticationAndAPrivateCa)
{
    const QString password = QStringLiteral("Ge#heim:1");
    const TlsRow rows[] = {
        {"STARTTLS required on a remote server", {.startTls = true, .requireStartTls = true,
                                                  .user = QStringLiteral("anna"), .password = password},
         true, true, true, true},
        {"STARTTLS used on loopback when offered", {.startTls = true, .user = QStringLiteral("anna"),
                                                    .password = password},
         false, true, true, true},
        {"plain SMTP on loopback without an offer", {.user = QStringLiteral("anna"), .password = password}, false, true,
         true, false},
        {"TLS switched off on loopback stays plain", {.startTls = true, .user = QStringLiteral("anna"),
                                                      .password = password},
         false, false, true, false},
        {"TLS switched off is refused for a remote server", {.startTls = true}, true, false, false, false},
        {"implicit TLS on port 465", {.implicitTls = true, .user = QStringLiteral("anna"), .password = password,
                                      .port = 465},
         true, true, true, false},
    };
    for (const TlsRow &row : rows) {
        SCOPED_TRACE(row.name);
        SmtpTestServer server(row.server);
        if (!server.start()) {
            EXPECT_EQ(row.server.port, 465) << server.errorText().toStdString();
            continue; // port 465 needs privileges and may be taken; the other rows still run
        }
        SmtpTransport transport;
        pointAtFor(transport, server);
        transport.setLoopbackTreatedAsRemote(row.remote);
        transport.setUseTls(row.useTls);
        if (row.server.startTls || row.server.implicitTls)
            transport.setCAFile(server.caFile());
        transport.setUserName(QStringLiteral("anna"));
        transport.setPassword(password);
        transport.setUseAuthentication(true);
        ASSERT_EQ(transport.Connect(), row.connects) << transport.LastError().toStdString();
        if (!row.connects) {
            EXPECT_EQ(server.sessionCount(), 0) << "refused before connecting";
            continue;
        }
        EXPECT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
        transport.Disconnect();
        ASSERT_TRUE(server.waitForClosedSessions(1));
        const QStringList commands = server.commands(1);
        EXPECT_EQ(commands.contains(QStringLiteral("STARTTLS")), row.startTlsSeen) << commands.join(QLatin1Char('|')).toStdString();
        const qsizetype auth = commands.indexOf(QRegularExpression(QStringLiteral("AUTH .*")));
        ASSERT_GE(auth, 0);
        if (row.startTlsSeen) {
            EXPECT_GT(auth, commands.indexOf(QStringLiteral("STARTTLS"))) << "credentials only after TLS";
        }
    }
}

TEST_F(SmtpTransportTest, AuthenticatesWithWhatTheServerOffers)
{
    for (const QString &mechanism : {QStringLiteral("CRAM-MD5"), QStringLiteral("PLAIN"), QStringLiteral("LOGIN")}) {
        for (const bool rightPassword : {true, false}) {
            SCOPED_TRACE((mechanism + (rightPassword ? QStringLiteral(" right") : QStringLiteral(" wrong"))).toStdString());
            SmtpTestServer server({.user = QStringLiteral("anna"), .password = QStringLiteral("Gehe1m!"),
                                   .authMechanisms = {mechanism}});
            ASSERT_TRUE(server.start()) << server.errorText().toStdString();
            SmtpTransport transport;
            pointAtFor(transport, server);
            transport.setUserName(QStringLiteral("anna"));
            transport.setPassword(rightPassword ? QStringLiteral("Gehe1m!") : QStringLiteral("falsch"));
            transport.setUseAuthentication(true);
            EXPECT_EQ(transport.Connect(), rightPassword) << transport.LastError().toStdString();
            EXPECT_EQ(transport.LastError().contains(QStringLiteral("535")), !rightPassword);
            transport.Disconnect();
            ASSERT_TRUE(server.waitForClosedSessions(1));
            EXPECT_TRUE(server.commands(1).contains(QStringLiteral("AUTH ") + mechanism));
        }
    }
}

struct ReentryRow
{
    const char *name;
    std::function<void(SmtpTransport *&)> fromProgress;
    bool sendSucceeds;
    bool connectedAfter;
};

TEST_F(SmtpTransportTest, CallsFromAProgressHandlerNeverNest)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    QByteArray large(1500000, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i) // incompressible, so the message stays large
        large[i] = static_cast<char>((i * 2654435761u) >> 24);
    const QString attachment = writeFile(QStringLiteral("gross.bin"), large);
    const ReentryRow rows[] = {
        {"second Send is refused", [](SmtpTransport *&t) { EXPECT_EQ(t->Send(), -1); }, true, true},
        {"Connect is refused", [](SmtpTransport *&t) { EXPECT_FALSE(t->Connect()); }, true, true},
        {"Disconnect closes after the message", [](SmtpTransport *&t) { t->Disconnect(); }, true, false},
        {"deleting the transport", [](SmtpTransport *&t) { delete t; t = nullptr; }, false, false},
    };
    int delivered = 0;
    for (const ReentryRow &row : rows) {
        SCOPED_TRACE(row.name);
        auto *transport = new SmtpTransport;
        pointAtFor(*transport, server);
        transport->AddAttachment(attachment, false);
        QList<int> progress;
        QObject::connect(transport, &SmtpTransport::Progress, [&](qint32 p) {
            progress << p;
            if (progress.size() == 1)
                row.fromProgress(transport);
        });
        ASSERT_TRUE(transport->Connect()) << transport->LastError().toStdString();
        const qint32 result = transport->Send();
        EXPECT_EQ(result >= 1, row.sendSucceeds) << result;
        if (!transport)
            continue;
        EXPECT_EQ(server.messages().size(), ++delivered);
        EXPECT_EQ(transport->IsConnected(), row.connectedAfter);
        EXPECT_GT(progress.size(), 2) << "intermediate percentages for a large message";
        EXPECT_EQ(progress.last(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        delete transport;
    }
}

} // namespace
