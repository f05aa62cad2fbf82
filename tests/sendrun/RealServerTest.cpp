// The wizard's send run, journal included, against server software nobody
// here wrote: Debian's Dovecot submission service and Postfix, each a private
// instance relaying to a test server that counts what arrives. Each test
// prints one "server figures" line: delivered, counted, sessions, seconds.
#include "MailServerStack.h"
#include "ScriptedPlatformServices.h"
#include "SendRunTestKit.h"

#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/JournalledSendRun.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QString kLetter = QStringLiteral("Sehr geehrte(r) <#KD_ANREDE#> <#KD_NAME#>,\n\nanbei unser Angebot.\n");
const QString kLetterRtf =
    QStringLiteral("{\\rtf1\\ansi Sehr geehrte(r) <#KD_ANREDE#> {\\b <#KD_NAME#>},\\par anbei unser Angebot.\\par}");

/// What one run left on the pane's counters.
struct RunFigures
{
    int sent = 0;
    int notSent = 0;
    int uncertain = 0;
    int open = 0;
    double seconds = 0;
};

class RealServerTest : public ::testing::Test
{
protected:
    /// Starts the servers; why not, when they did not (a failure under CI=true, where they must run).
    std::string startServers(MailServerStack::Options options)
    {
        stack = std::make_unique<MailServerStack>(options);
        std::string problem = stack->start().toStdString();
        if (!problem.empty() && qEnvironmentVariable("CI") == QLatin1String("true"))
            ADD_FAILURE() << "servers did not start: " << problem;
        return problem;
    }

    void SetUp() override
    {
        platform.runRealEvents = true;
        view.text = kLetter;
        view.rtf = kLetterRtf;
        // What the wizard greets with on a machine named without its domain.
        view.storeText = QStringLiteral("vm");
        view.settings.SenderAddress = QStringLiteral("info@velmora.example");
        view.settings.SmtpServer = QStringLiteral("127.0.0.1");
        view.settings.SmtpUser = MailServerStack::user();
        view.settings.SmtpPassword = MailServerStack::password();
    }

    /// A run over the first recipientCount customers; a journal of its own
    /// unless one is named.
    RunFigures sendTo(int recipientCount, quint16 port, const QString &journalName = QString())
    {
        for (int n = 1; n <= recipientCount; ++n)
            recipients.rows.append(numberedCustomer(n));
        view.settings.SmtpPort = port;
        transport.setCAFile(stack->caFile());
        view.accounts.clear();
        JournalledSendRun::Options options;
        options.journalPath =
            dir.filePath(journalName.isEmpty() ? QStringLiteral("journal%1.sqlite").arg(++runs) : journalName);
        options.retryPlan = RetryPlan(QList<int>{});
        JournalledSendRun run(transport, view, recipients, options);
        QElapsedTimer clock;
        clock.start();
        run.run(std::nullopt);
        RunFigures figures;
        figures.seconds = double(clock.nsecsElapsed()) / 1e9;
        // The pane counts this run only; the journal must agree with it.
        figures.sent = view.labels.value(SendLabel::lblOK).toInt();
        figures.notSent = view.labels.value(SendLabel::lblError).toInt();
        figures.uncertain = view.labels.value(SendLabel::lblUnsicher).toInt();
        figures.open = view.labels.value(SendLabel::lblOffen).toInt();
        SendJournal journal(options.journalPath);
        qint64 newest = 1;
        while (journal.mailing(newest + 1))
            ++newest;
        QMap<RecipientState, int> rows;
        for (const JournalRecipient &r : journal.recipients(newest))
            ++rows[r.state];
        EXPECT_EQ(rows.value(RecipientState::Sent), figures.sent) << "pane and journal disagree";
        EXPECT_EQ(rows.value(RecipientState::Uncertain), figures.uncertain);
        EXPECT_EQ(rows.value(RecipientState::Open), figures.open);
        EXPECT_TRUE(accountHolds(view, recipientCount));
        return figures;
    }

    static void report(const char *server, int delivered, const RunFigures &f, int sessions)
    {
        std::printf("server figures: %s delivered %d, sent %d, not sent %d, unsicher %d, sessions %d, %.1f s\n", server,
                    delivered, f.sent, f.notSent, f.uncertain, sessions, f.seconds);
    }

    /// Each delivered message has an ID of its own on a header line that
    /// stays within 78 characters.
    void expectShortDistinctMessageIds()
    {
        QSet<QByteArray> ids;
        for (const QByteArray &raw : stack->relay().messages()) {
            const qsizetype at = raw.toLower().indexOf("\r\nmessage-id:");
            const QByteArray line = raw.mid(at + 2, raw.indexOf("\r\n", at + 2) - at - 2);
            EXPECT_LE(line.size(), 78) << line.toStdString();
            ids.insert(line);
        }
        EXPECT_EQ(ids.size(), stack->relay().messages().size());
    }

    /// Every recipient's address exactly once among the delivered messages.
    void expectEachRecipientOnce(int count)
    {
        QMap<QString, int> copies;
        for (int s = 1; s <= stack->relay().sessionCount(); ++s)
            for (int m = 1; m <= stack->relay().messagesPerSession().value(s - 1); ++m)
                for (const QString &line : stack->relay().envelope(s, m))
                    if (line.startsWith(QLatin1String("RCPT ")))
                        ++copies[line.mid(5)];
        EXPECT_EQ(copies.size(), count);
        for (auto it = copies.cbegin(); it != copies.cend(); ++it)
            EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir dir;
    std::unique_ptr<MailServerStack> stack;
    SmtpTransport transport;
    RecordingSendView view;
    TableRecipients recipients;
    int runs = 0;
};

TEST_F(RealServerTest, DovecotSubmissionTakesTheWholeMailing)
{
    if (const std::string problem = startServers({}); !problem.empty())
        GTEST_SKIP() << problem;
    const RunFigures figures = sendTo(51, stack->dovecotPort());
    const int delivered = stack->delivered(51);
    report("Dovecot submission", delivered, figures, stack->dovecotSessions());
    EXPECT_EQ(delivered, 51);
    expectEachRecipientOnce(51);
    expectShortDistinctMessageIds();
    EXPECT_EQ(figures.sent, 51);
    EXPECT_EQ(figures.notSent, 0);
    EXPECT_LE(stack->dovecotSessions(), 3);
}

// A Dovecot that does not name itself is found out by the first session it
// loses; the rest of the run, and the next run, go without announcing.
TEST_F(RealServerTest, DovecotUnnamedCostsOneUncertainMessageOnce)
{
    if (const std::string problem = startServers({.anonymousDovecot = true}); !problem.empty())
        GTEST_SKIP() << problem;
    const QString journal = QStringLiteral("journal.sqlite");
    const RunFigures first = sendTo(51, stack->dovecotPort(), journal);
    const int sessions = stack->dovecotSessions();
    report("Dovecot submission, greeting without its name", stack->delivered(51), first, sessions);
    EXPECT_EQ(stack->delivered(51), 51);
    expectEachRecipientOnce(51);
    EXPECT_EQ(first.uncertain, 1) << "delivered, but its reply was lost with the session";
    EXPECT_EQ(first.sent, 50);
    EXPECT_EQ(first.notSent, 0) << "an uncertain delivery is not counted as not sent";
    EXPECT_EQ(sessions, 2);

    // The next mailing remembers this server (the journal is per user).
    recipients.rows.clear();
    view.text += QStringLiteral("Nachtrag.\n");
    const RunFigures second = sendTo(10, stack->dovecotPort(), journal);
    EXPECT_EQ(second.sent, 10);
    EXPECT_EQ(second.uncertain, 0);
    EXPECT_EQ(stack->dovecotSessions(), sessions + 1);
}

TEST_F(RealServerTest, PostfixMessageRateLimitPausesTheRunWithTheTrueCount)
{
    if (const std::string problem = startServers({.postfix = true, .messageRateLimit = 20}); !problem.empty())
        GTEST_SKIP() << problem;
    const RunFigures figures = sendTo(25, stack->postfixSubmissionPort());
    report("Postfix with 20 messages a minute", stack->delivered(20), figures, stack->postfixSessions());
    EXPECT_EQ(stack->delivered(20), 20);
    EXPECT_EQ(figures.sent, 20);
    EXPECT_EQ(figures.open, 5) << "held back by the limit, to be continued";
    ASSERT_EQ(platform.messages.size(), 1);
    const QString box = platform.messages.constFirst().text;
    EXPECT_TRUE(box.contains(QStringLiteral("too much mail"))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("\n5 Empfänger"))) << box.toStdString();
}

TEST_F(RealServerTest, PostfixWithStrictGreetingChecksTakesTheMailingOnBothPorts)
{
    if (const std::string problem = startServers({.postfix = true, .strictHelo = true}); !problem.empty())
        GTEST_SKIP() << problem;
    const RunFigures submission = sendTo(51, stack->postfixSubmissionPort());
    const int sessionsBefore = stack->postfixSessions();
    report("Postfix submission (STARTTLS, strict HELO)", stack->delivered(51), submission, sessionsBefore);
    EXPECT_EQ(submission.sent, 51);
    EXPECT_EQ(submission.notSent, 0);
    EXPECT_EQ(sessionsBefore, 1);

    recipients.rows.clear();
    const RunFigures smtps = sendTo(51, stack->postfixSmtpsPort());
    report("Postfix 465 (TLS, strict HELO)", stack->delivered(102) - 51, smtps,
           stack->postfixSessions() - sessionsBefore);
    EXPECT_EQ(smtps.sent, 51);
    EXPECT_EQ(stack->delivered(102), 102);
    EXPECT_EQ(stack->postfixSessions() - sessionsBefore, 1);
}

} // namespace
