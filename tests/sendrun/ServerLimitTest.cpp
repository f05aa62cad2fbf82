// The send run with its journal against scripted servers that limit it:
// connections refused for a while or for good, a server gone silent, and
// the rate of MAIL commands the sender promised to keep. Waits run on a
// short clock.
#include "ScriptedPlatformServices.h"
#include "SendRunTestKit.h"
#include "SmtpTestServer.h"

#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/SendRun.h"
#include "sendrun/SendRunJournal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

class ServerLimitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform.runRealEvents = true;
        view.settings.SenderAddress = QStringLiteral("info@velmora.example");
        view.settings.SmtpServer = QStringLiteral("127.0.0.1");
    }

    void serve(const QString &fault, int recipientCount)
    {
        server = std::make_unique<SmtpTestServer>(SmtpTestServer::Options{.fault = fault});
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        view.settings.SmtpPort = server->port();
        for (int n = 1; n <= recipientCount; ++n)
            recipients.rows.append(numberedCustomer(n));
    }

    /// One run of a new mailing with these retry waits; the states per address after it.
    QMap<QString, JournalRecipient> run(const QList<int> &waitsMs, int perMinute = 0, int minuteMs = 60000)
    {
        SendJournal journal(dir.filePath(QStringLiteral("journal.sqlite")));
        const qint64 mailing = journal.startMailing(
            {0, {}, QStringLiteral("Betreff"), view.settings.SenderAddress, {}, QStringLiteral("fp")});
        QMap<QString, JournalRecipient> states;
        {
            DeliveryBook book(journal, mailing);
            book.load(recipients, recipients.rowCount());
            SendRunJournal steps(book, transport, view);
            steps.setRetryPlan(RetryPlan(waitsMs));
            steps.setMaxPerMinute(perMinute, minuteMs);
            SendRun sendRun(transport, view, recipients);
            sendRun.setJournal(&steps);
            sendRun.setServerTimeout(1);
            sendRun.run();
        }
        // After every message, in every pause: sent + not sent + uncertain + open = n.
        EXPECT_TRUE(accountHolds(view, recipients.rowCount()));
        for (const JournalRecipient &r : journal.recipients(mailing))
            states.insert(r.address, r);
        return states;
    }

    static int count(const QMap<QString, JournalRecipient> &states, RecipientState state)
    {
        return int(std::count_if(states.cbegin(), states.cend(),
                                 [state](const JournalRecipient &r) { return r.state == state; }));
    }

    int counter(SendLabel label) const { return view.labels.value(label).toInt(); }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir dir;
    std::unique_ptr<SmtpTestServer> server;
    SmtpTransport transport;
    RecordingSendView view;
    TableRecipients recipients;
};

TEST_F(ServerLimitTest, RefusedConnectionsPauseTheRunOnceWithLongerWaitsEachRound)
{
    serve(QStringLiteral("connection-limit"), 6);
    QElapsedTimer clock;
    clock.start();
    const auto states = run({150, 300, 600});
    std::printf("server figures: connection limit (421 at the greeting from the second session) delivered %d, "
                "sent %d, not sent %d, unsicher %d, sessions %d, %.1f s (waits 0.15/0.3/0.6 s)\n",
                int(server->messages().size()), counter(SendLabel::lblOK), counter(SendLabel::lblError),
                count(states, RecipientState::Uncertain), server->sessionCount(), double(clock.elapsed()) / 1000.0);
    // One connection that carried three messages, the reconnect refused,
    // then one attempt per round, not one per recipient.
    EXPECT_EQ(server->sessionCount(), 5);
    const QList<double> starts = server->sessionStarts();
    ASSERT_EQ(starts.size(), 5);
    EXPECT_GE(starts[2] - starts[1], 0.14);
    EXPECT_GE(starts[3] - starts[2], 0.29);
    EXPECT_GE(starts[4] - starts[3], 0.59);
    EXPECT_EQ(count(states, RecipientState::Sent), 3);
    EXPECT_EQ(count(states, RecipientState::TemporaryRefused), 3);
    // The fourth was announced into the session that ended; the two after it
    // wait with the refusal they met.
    for (const int n : {5, 6}) {
        const JournalRecipient r = states.value(QStringLiteral("kunde%1@example.org").arg(n));
        EXPECT_EQ(r.replyCode, 421);
        EXPECT_TRUE(r.replyText.contains(QStringLiteral("too many connections"))) << r.replyText.toStdString();
    }
    // While the server refused, the three were open on the pane and in the
    // pause text; after the last round they were not sent, as in the journal.
    const QString waits = view.labelHistory.value(SendLabel::lblStatus).join(QLatin1Char('|'));
    EXPECT_TRUE(waits.contains(QStringLiteral("3 Empfänger warten: neuer Versuch in 1 s (Runde 1 von 3)")))
        << waits.toStdString();
    EXPECT_TRUE(waits.contains(QStringLiteral("(Runde 3 von 3)")));
    EXPECT_TRUE(std::any_of(view.accounts.cbegin(), view.accounts.cend(), [](const auto &a) {
        return a.counters == QList<qint32>{3, 0, 0, 3};
    }));
    EXPECT_EQ(counter(SendLabel::lblOK), 3);
    EXPECT_EQ(counter(SendLabel::lblError), 3);
    EXPECT_EQ(counter(SendLabel::lblOffen), 0);
}

TEST_F(ServerLimitTest, AServerThatTakesConnectionsAgainGetsTheRest)
{
    serve(QStringLiteral("connection-limit-recovers"), 6);
    const auto states = run({100, 200, 400});
    // Two refused connections, then one for the rest; one more in the retry
    // round when the fourth was announced into the session that ended (that
    // depends on whether the hang-up came before its envelope went out).
    EXPECT_GE(server->sessionCount(), 4);
    EXPECT_LE(server->sessionCount(), 5);
    EXPECT_EQ(server->messages().size(), 6);
    EXPECT_EQ(count(states, RecipientState::Sent), 6);
    EXPECT_EQ(counter(SendLabel::lblOK), 6);
    EXPECT_EQ(counter(SendLabel::lblError), 0);
}

TEST_F(ServerLimitTest, ASilentServerPausesTheRunInsteadOfCostingEachRecipientItsTimeout)
{
    serve(QStringLiteral("plain"), 5);
    view.settings.SenderAddress = QStringLiteral("m-silent@velmora.example");
    QElapsedTimer clock;
    clock.start();
    const auto states = run({100, 200, 400});
    // Four silences of a second and the waits, whatever the number of recipients.
    EXPECT_LT(clock.elapsed(), 7000);
    EXPECT_EQ(server->sessionCount(), 4);
    EXPECT_EQ(count(states, RecipientState::TemporaryRefused), 5);
    EXPECT_EQ(counter(SendLabel::lblError), 5);
    const QString status = view.labels.value(SendLabel::lblStatus);
    EXPECT_TRUE(status.contains(QStringLiteral("hat nicht rechtzeitig geantwortet"))) << status.toStdString();
    EXPECT_FALSE(status.contains(QStringLiteral("abgelehnt")));
}

// Too big by the server's SIZE, or refused with 552 5.3.4: it will never
// fit, so no retry round is spent on it.
TEST_F(ServerLimitTest, AMessageTooBigForTheServerIsNeverRetried)
{
    serve(QStringLiteral("plain"), 2);
    QFile big(dir.filePath(QStringLiteral("Katalog.bin")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(120000, 'x'));
    big.close();
    view.attachmentRows = {{big.fileName(), false}};
    auto states = run({50, 50, 50});
    EXPECT_TRUE(server->mailTimes().isEmpty()) << "the declared SIZE is known before any MAIL";
    for (const JournalRecipient &r : std::as_const(states)) {
        EXPECT_EQ(r.state, RecipientState::Refused);
        EXPECT_EQ(r.attempts, 1);
    }
    EXPECT_EQ(counter(SendLabel::lblError), 2);

    view.attachmentRows.clear();
    view.settings.SenderAddress = QStringLiteral("m552@velmora.example");
    states = run({50, 50, 50});
    EXPECT_EQ(server->mailTimes().size(), 2);
    for (const JournalRecipient &r : std::as_const(states)) {
        EXPECT_EQ(r.state, RecipientState::Refused);
        EXPECT_EQ(r.replyCode, 552);
        EXPECT_EQ(r.attempts, 1);
    }
    EXPECT_EQ(counter(SendLabel::lblError), 2);
    const QString status = view.labelHistory.value(SendLabel::lblStatus).join(QLatin1Char('|'));
    EXPECT_FALSE(status.contains(QStringLiteral("neuer Versuch"))) << status.toStdString();
}

TEST_F(ServerLimitTest, EachRecipientsRowHoldsItsOwnReplyOrNone)
{
    serve(QStringLiteral("plain"), 4);
    recipients.rows[1][QStringLiteral("EMail")] = QStringLiteral("r451@example.org");
    const auto states = run({});
    const JournalRecipient refused = states.value(QStringLiteral("r451@example.org"));
    EXPECT_EQ(refused.state, RecipientState::TemporaryRefused);
    EXPECT_EQ(refused.replyCode, 451);
    for (const int n : {1, 3, 4}) {
        const JournalRecipient sent = states.value(QStringLiteral("kunde%1@example.org").arg(n));
        EXPECT_EQ(sent.state, RecipientState::Sent);
        EXPECT_EQ(sent.replyCode, 0);
        EXPECT_TRUE(sent.replyText.isEmpty()) << n << ": " << sent.replyText.toStdString();
    }
}

TEST_F(ServerLimitTest, TheRateHoldsForEveryMailCommandAlsoThoseAnnouncedAhead)
{
    serve(QStringLiteral("plain"), 9);
    // Four per 1.2 s: a MAIL every 0.3 s at the most. The server stamps a MAIL
    // when it arrives, a loaded machine some milliseconds after the client
    // counted it: hence the 50 ms of slack.
    const auto states = run({}, 4, 1200);
    EXPECT_EQ(count(states, RecipientState::Sent), 9);
    const QList<double> mails = server->mailTimes();
    ASSERT_EQ(mails.size(), 9);
    for (qsizetype i = 4; i < mails.size(); ++i)
        EXPECT_GE(mails[i] - mails[i - 4], 1.2 - 0.05) << "MAIL " << i + 1 << " came too early";
}

} // namespace
