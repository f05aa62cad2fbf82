#include "net/smtp/SmtpTransport.h"

#include "AimAtTestServer.h"
#include "ScriptedPlatformServices.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

/// The one decoded value of a header; names compare case-insensitively.
QString header(const QJsonObject &parsed, const char *name)
{
    const QJsonObject headers = parsed[QStringLiteral("headers")].toObject();
    QJsonArray values;
    for (auto it = headers.begin(); it != headers.end(); ++it)
        if (it.key().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            values = it.value().toArray();
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

// What aimAt readies.
const QString kSubject = QStringLiteral("Betreff");
const QString kBody = QStringLiteral("Text");

void aim(SmtpTransport &transport, const SmtpTestServer &server)
{
    aimAt(transport, server, 5);
    transport.setFromName(QStringLiteral("Versand"));
}

class SmtpTransportTest : public ::testing::Test
{
protected:
    /// Starts a server with these options and aims the fixture's transport at it.
    void serve(const SmtpTestServer::Options &options = {})
    {
        server = std::make_unique<SmtpTestServer>(options);
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        aim(transport, *server);
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(files.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QJsonObject parsed(int session, int index) const { return SmtpTestServer::parse(server->message(session, index)); }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir files;
    std::unique_ptr<SmtpTestServer> server;
    SmtpTransport transport;
};

TEST_F(SmtpTransportTest, RoundTripKeepsEveryHeaderPartAndAttachment)
{
    ASSERT_NO_FATAL_FAILURE(serve());
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    transport.setFromName(QStringLiteral("Jürgen Müller-Lüdenscheidt"));
    transport.setReplyTo(QStringLiteral("antwort@example.de"));
    transport.setOrganization(QStringLiteral("Test München West – GmbH 😀"));
    transport.setSubject(QStringLiteral("Test München West – Angebot 😀"));
    transport.setBody(QStringLiteral("Grüße\r\n.\r\n..Punkt am Anfang\nEnde"));
    const QString html = QStringLiteral("<p>") + QString(100000, QLatin1Char('x')) + QStringLiteral("ä</p>");
    transport.setFormattedBody(html);
    transport.setPriority(1);
    transport.setReadReceipt(true);
    transport.AddAttachment(writeFile(QStringLiteral("Übersicht März.pdf"), "%PDF-1.4\n" + binary), false);
    transport.AddAttachment(writeFile(QStringLiteral("Preisliste Müller.csv"), "Nr;Preis\r\n1;2,50\r\n"), true);

    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    ASSERT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    // Text that looks like an encoded word is what the user typed, not an encoding.
    const QString typedSubject = QStringLiteral("=?utf-8?b?SGFsbG8=?= Angebot"),
                  typedName = QStringLiteral("=?utf-8?q?M=C3=BCller?=");
    transport.setSubject(typedSubject);
    transport.setFromName(typedName);
    transport.setMessageId(QStringLiteral("lauf-7.1@example.de"));
    ASSERT_EQ(transport.Send(), 2) << transport.LastError().toStdString();
    transport.Disconnect();
    const QJsonObject typed = parsed(1, 2);
    EXPECT_EQ(header(typed, "Subject"), typedSubject);
    EXPECT_EQ(header(typed, "From"), typedName + QStringLiteral(" <versand@example.de>"));
    EXPECT_EQ(header(typed, "Message-ID"), QStringLiteral("<lauf-7.1@example.de>"));

    const QJsonObject message = parsed(1, 1);
    ASSERT_FALSE(message.isEmpty());
    const std::pair<const char *, QString> headers[] = {
        {"From", QStringLiteral("Jürgen Müller-Lüdenscheidt <versand@example.de>")},
        {"Reply-To", QStringLiteral("antwort@example.de")},
        {"To", QStringLiteral("kunde@example.com")},
        {"Subject", QStringLiteral("Test München West – Angebot 😀")},
        {"Organization", QStringLiteral("Test München West – GmbH 😀")},
        {"Importance", QStringLiteral("high")},
        {"MIME-Version", QStringLiteral("1.0")},
    };
    for (const auto &[name, value] : headers)
        EXPECT_EQ(header(message, name), value) << name;
    EXPECT_EQ(header(message, "X-Priority").left(1), QStringLiteral("1"));
    EXPECT_TRUE(header(message, "Disposition-Notification-To").contains(QStringLiteral("versand@example.de")));
    EXPECT_FALSE(header(message, "Date").startsWith(QLatin1Char('<')));
    EXPECT_TRUE(header(message, "Message-ID").endsWith(QStringLiteral("@example.de>")));
    EXPECT_EQ(
        message[QStringLiteral("structure")].toString(),
        QStringLiteral("multipart/mixed(multipart/alternative(text/plain,text/html),application/pdf,application/zip)"));
    EXPECT_EQ(message[QStringLiteral("bareLineEnds")].toInt(), 0);
    EXPECT_LE(message[QStringLiteral("maxLineLength")].toInt(), 998);

    const QJsonArray leaves = parts(message);
    ASSERT_EQ(leaves.size(), 4);
    EXPECT_EQ(leaves[0][QStringLiteral("text")].toString(), QStringLiteral("Grüße\n.\n..Punkt am Anfang\nEnde"));
    EXPECT_EQ(leaves[0][QStringLiteral("charset")].toString(), QStringLiteral("utf-8"));
    EXPECT_EQ(leaves[1][QStringLiteral("text")].toString(), html);
    EXPECT_EQ(leaves[2][QStringLiteral("filename")].toString(), QStringLiteral("Übersicht März.pdf"));
    EXPECT_EQ(data(leaves[2]), "%PDF-1.4\n" + binary);
    EXPECT_EQ(leaves[3][QStringLiteral("filename")].toString(), QStringLiteral("Preisliste Müller.csv.zip"));
    const QJsonArray entries = leaves[3][QStringLiteral("zipEntries")].toArray();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0][QStringLiteral("name")].toString(), QStringLiteral("Preisliste Müller.csv"));
    EXPECT_EQ(entries[0][QStringLiteral("compressType")].toInt(), 8) << "deflated";
    EXPECT_EQ(data(entries[0]), QByteArray("Nr;Preis\r\n1;2,50\r\n"));
}

TEST_F(SmtpTransportTest, OneConnectIsOneSessionCarryingEverySendInItsShape)
{
    ASSERT_NO_FATAL_FAILURE(serve());
    const struct
    {
        QString html;
        qint32 priority;
        bool receipt;
        const char *structure;
        const char *importance;
    } rows[] = {
        {QString(), 5, false, "text/plain", "low"},
        {QStringLiteral("<b>x</b>"), 3, true, "multipart/alternative(text/plain,text/html)", "normal"},
        {QString(), 9, false, "text/plain", "normal"}, // out of range counts as normal
    };
    QList<int> progress;
    int resets = 0;
    QObject::connect(&transport, &SmtpTransport::Progress, [&](qint32 p) { progress << p; });
    QObject::connect(&transport, &SmtpTransport::ProgressReset, [&](qint32) { ++resets; });

    // The work done while the server reads runs once per message; what it throws goes no further.
    int waited = 0;
    transport.setWhileWaiting([&] {
        if (++waited == 2)
            throw std::runtime_error("work failed");
    });

    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    EXPECT_TRUE(transport.IsConnected());
    for (int i = 1; i <= 3; ++i) {
        const auto &row = rows[i - 1];
        SCOPED_TRACE(i);
        const QString recipient = QStringLiteral("kunde%1@example.com").arg(i);
        // A message built ahead goes out only when nothing differs from it by
        // the time of Send(): here the first, not the second (another
        // recipient) nor the third (built before its settings changed).
        transport.prepareMessage(i == 2 ? QStringLiteral("falsch@example.com") : recipient, kSubject, kBody,
                                 i == 1 ? QString() : rows[i - 2].html, QString());
        transport.setRecipient(recipient);
        transport.setFormattedBody(row.html);
        transport.setPriority(row.priority);
        transport.setReadReceipt(row.receipt);
        if (i == 1)
            transport.prepareMessage(recipient, kSubject, kBody, row.html, QString());
        ASSERT_EQ(transport.Send(), i) << transport.LastError().toStdString();
        const QJsonObject message = parsed(1, i);
        EXPECT_EQ(header(message, "To"), recipient);
        EXPECT_EQ(message[QStringLiteral("structure")].toString(), QLatin1String(row.structure));
        EXPECT_EQ(header(message, "Importance"), QLatin1String(row.importance));
        EXPECT_EQ(message[QStringLiteral("headers")].toObject().contains(QStringLiteral("Disposition-Notification-To")),
                  row.receipt);
    }
    transport.Disconnect();
    EXPECT_FALSE(transport.IsConnected());
    EXPECT_LT(transport.Send(), 0) << "no message without a session";

    EXPECT_EQ(waited, 3);
    ASSERT_TRUE(server->waitForClosedSessions(1));
    EXPECT_EQ(server->messagesPerSession(), QList<int>{3});
    EXPECT_EQ(server->commands(1).last(), QStringLiteral("QUIT"));
    EXPECT_EQ(server->envelope(1, 3).last(), QStringLiteral("RCPT kunde3@example.com"));
    EXPECT_EQ(resets, 3);
    EXPECT_EQ(progress.count(100), 3);
    for (int i = 1; i < progress.size(); ++i)
        EXPECT_TRUE(progress[i] > progress[i - 1] || progress[i - 1] == 100) << "progress goes up per message";
}

TEST_F(SmtpTransportTest, ServerDroppingTheSessionShowsAsDisconnected)
{
    ASSERT_NO_FATAL_FAILURE(serve({.dropAfterMessages = 2}));
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(transport.Send(), 1);
    EXPECT_EQ(transport.Send(), 2);
    ASSERT_TRUE(server->waitForClosedSessions(1));
    EXPECT_FALSE(transport.IsConnected());
    EXPECT_LT(transport.Send(), 0);
    ASSERT_TRUE(transport.Connect());
    EXPECT_EQ(transport.Send(), 1);
    transport.Disconnect();
    EXPECT_EQ(server->messagesPerSession(), (QList<int>{2, 1}));
}

TEST_F(SmtpTransportTest, AttachmentIsReadOnceAndAMissingOneStopsTheMessage)
{
    ASSERT_NO_FATAL_FAILURE(serve());
    transport.AddAttachment(writeFile(QStringLiteral("anlage.txt"), "erste Fassung"), true);
    ASSERT_TRUE(transport.Connect());
    ASSERT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    writeFile(QStringLiteral("anlage.txt"), "zweite Fassung");
    ASSERT_EQ(transport.Send(), 2) << transport.LastError().toStdString();
    const QJsonArray second = parts(parsed(1, 2));
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
    EXPECT_EQ(server->messagesPerSession(), QList<int>{3}) << "nothing partial went out";
    EXPECT_EQ(parts(parsed(1, 3)).size(), 1);
}

TEST_F(SmtpTransportTest, TlsRulesWithAuthenticationAndAPrivateCa)
{
    const QString user = QStringLiteral("anna"), password = QStringLiteral("Ge#heim:1");
    const struct
    {
        const char *name;
        SmtpTestServer::Options server;
        bool remote, useTls, connects, startTlsSeen;
    } rows[] = {
        {"STARTTLS required on a remote server",
         {.startTls = true, .requireStartTls = true, .user = user, .password = password},
         true,
         true,
         true,
         true},
        {"STARTTLS used on loopback when offered",
         {.startTls = true, .user = user, .password = password},
         false,
         true,
         true,
         true},
        {"plain SMTP on loopback without an offer", {.user = user, .password = password}, false, true, true, false},
        {"TLS switched off on loopback stays plain",
         {.startTls = true, .user = user, .password = password},
         false,
         false,
         true,
         false},
        {"TLS switched off is refused for a remote server", {.startTls = true}, true, false, false, false},
        {"implicit TLS on port 465",
         {.implicitTls = true, .user = user, .password = password, .port = 465},
         true,
         true,
         true,
         false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        SmtpTestServer rowServer(row.server);
        if (!rowServer.start()) {
            EXPECT_EQ(row.server.port, 465) << rowServer.errorText().toStdString();
            continue; // port 465 needs privileges and may be taken; the other rows still run
        }
        SmtpTransport rowTransport;
        aim(rowTransport, rowServer);
        rowTransport.setLoopbackTreatedAsRemote(row.remote);
        rowTransport.setTlsMode(row.useTls ? SmtpTlsMode::Required : SmtpTlsMode::Off);
        if (row.server.startTls || row.server.implicitTls)
            rowTransport.setCAFile(rowServer.caFile());
        rowTransport.setUserName(user);
        rowTransport.setPassword(password);
        rowTransport.setUseAuthentication(true);
        ASSERT_EQ(rowTransport.Connect(), row.connects) << rowTransport.LastError().toStdString();
        if (!row.connects) {
            EXPECT_EQ(rowServer.sessionCount(), 0) << "refused before connecting";
            continue;
        }
        EXPECT_EQ(rowTransport.Send(), 1) << rowTransport.LastError().toStdString();
        rowTransport.Disconnect();
        ASSERT_TRUE(rowServer.waitForClosedSessions(1));
        const QStringList commands = rowServer.commands(1);
        EXPECT_EQ(commands.contains(QStringLiteral("STARTTLS")), row.startTlsSeen)
            << commands.join(QLatin1Char('|')).toStdString();
        const qsizetype auth = commands.indexOf(QRegularExpression(QStringLiteral("AUTH .*")));
        ASSERT_GE(auth, 0);
        if (row.startTlsSeen) {
            EXPECT_GT(auth, commands.indexOf(QStringLiteral("STARTTLS"))) << "credentials only after TLS";
        }
    }
}

TEST_F(SmtpTransportTest, AuthenticatesWithWhatTheServerOffers)
{
    for (const char *mechanism : {"CRAM-MD5", "PLAIN", "LOGIN"}) {
        SCOPED_TRACE(mechanism);
        ASSERT_NO_FATAL_FAILURE(serve({.user = QStringLiteral("anna"),
                                       .password = QStringLiteral("Gehe1m!"),
                                       .authMechanisms = {QLatin1String(mechanism)}}));
        transport.setUserName(QStringLiteral("anna"));
        transport.setUseAuthentication(true);
        transport.setPassword(QStringLiteral("falsch"));
        EXPECT_FALSE(transport.Connect());
        EXPECT_TRUE(transport.LastError().contains(QStringLiteral("535"))) << transport.LastError().toStdString();
        transport.setPassword(QStringLiteral("Gehe1m!"));
        EXPECT_TRUE(transport.Connect()) << transport.LastError().toStdString();
        transport.Disconnect();
        ASSERT_TRUE(server->waitForClosedSessions(2));
        EXPECT_EQ(server->commands(2).filter(QStringLiteral("AUTH")),
                  QStringList{QStringLiteral("AUTH ") + QLatin1String(mechanism)});
    }
}

TEST_F(SmtpTransportTest, CallsFromAProgressHandlerNeverNest)
{
    ASSERT_NO_FATAL_FAILURE(serve());
    QByteArray large(1500000, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i) // incompressible, so the message stays large
        large[i] = static_cast<char>((i * 2654435761u) >> 24);
    const QString attachment = writeFile(QStringLiteral("gross.bin"), large);
    const struct
    {
        const char *name;
        std::function<void(SmtpTransport *&)> fromProgress;
        bool sendSucceeds, connectedAfter;
    } rows[] = {
        {"second Send is refused", [](SmtpTransport *&t) { EXPECT_EQ(t->Send(), -1); }, true, true},
        {"Connect is refused", [](SmtpTransport *&t) { EXPECT_FALSE(t->Connect()); }, true, true},
        {"Disconnect closes after the message", [](SmtpTransport *&t) { t->Disconnect(); }, true, false},
        {"deleting the transport",
         [](SmtpTransport *&t) {
             delete t;
             t = nullptr;
         },
         false, false},
    };
    int delivered = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        auto *sender = new SmtpTransport;
        aim(*sender, *server);
        sender->AddAttachment(attachment, false);
        QList<int> progress;
        QObject::connect(sender, &SmtpTransport::Progress, [&](qint32 p) {
            progress << p;
            if (progress.size() == 1)
                row.fromProgress(sender);
        });
        ASSERT_TRUE(sender->Connect()) << sender->LastError().toStdString();
        const qint32 result = sender->Send();
        EXPECT_EQ(result >= 1, row.sendSucceeds) << result;
        if (!sender)
            continue;
        EXPECT_EQ(server->messages().size(), ++delivered);
        EXPECT_EQ(sender->IsConnected(), row.connectedAfter);
        EXPECT_GT(progress.size(), 2) << "intermediate percentages for a large message";
        EXPECT_EQ(progress.last(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        delete sender;
    }
}

} // namespace

TEST_F(SmtpTransportTest, InternationalAddressGoesWithSmtpUtf8OrNotAtAll)
{
    ASSERT_NO_FATAL_FAILURE(serve());
    const struct
    {
        QString recipient;
        const char *mail;
    } rows[] = {
        {QStringLiteral("müller@beispiel.de"), "MAIL FROM:<versand@example.de> SMTPUTF8"},
        {QStringLiteral("kunde@example.com"), "MAIL FROM:<versand@example.de>"},
    };
    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        transport.setRecipient(rows[i - 1].recipient);
        ASSERT_EQ(transport.Send(), i) << transport.LastError().toStdString();
        EXPECT_EQ(server->envelope(1, i).last(), QStringLiteral("RCPT ") + rows[i - 1].recipient);
        // Raw UTF-8 in the header, not an encoded word a server would take as the address.
        EXPECT_TRUE(server->message(1, i).contains("\r\nTo: " + rows[i - 1].recipient.toUtf8() + "\r\n"))
            << server->message(1, i).left(400).toStdString();
        EXPECT_TRUE(server->commands(1).contains(QLatin1String(rows[i - 1].mail)))
            << server->commands(1).join(QLatin1Char('|')).toStdString();
    }
    transport.Disconnect();

    // A server without SMTPUTF8 hears nothing of such a message, and the session goes on.
    SmtpTestServer plain(SmtpTestServer::Options{.fault = QStringLiteral("plain")});
    ASSERT_TRUE(plain.start()) << plain.errorText().toStdString();
    aim(transport, plain);
    ASSERT_TRUE(transport.Connect()) << transport.LastError().toStdString();
    transport.setRecipient(QStringLiteral("müller@beispiel.de"));
    EXPECT_EQ(transport.Send(), -1);
    EXPECT_TRUE(transport.LastError().contains(QStringLiteral("SMTPUTF8"))) << transport.LastError().toStdString();
    transport.setRecipient(QStringLiteral("kunde@example.com"));
    EXPECT_EQ(transport.Send(), 1) << transport.LastError().toStdString();
    transport.Disconnect();
    ASSERT_TRUE(plain.waitForClosedSessions(1));
    EXPECT_EQ(plain.commands(1).count(QStringLiteral("MAIL")), 1);
}
