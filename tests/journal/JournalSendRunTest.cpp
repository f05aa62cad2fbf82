// The send run with its delivery journal against a server whose replies the
// test scripts: what each kind of refusal does, the retry rounds on a short
// clock, the question before a second run and the offer after a crash.
#include "ScriptedPlatformServices.h"
#include "ScriptedReplyServer.h"
#include "SendRunTestKit.h"

#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/JournalledSendRun.h"
#include "sendrun/MailingFingerprint.h"
#include "sendrun/MailingSelection.h"
#include "sendrun/SendRun.h"
#include "sendrun/SendRunAccount.h"
#include "sendrun/SendRunJournal.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

QString address(int n)
{
    return QStringLiteral("kunde%1@example.org").arg(n);
}

class JournalSendRunTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        platform.runRealEvents = true;
        view.text = QStringLiteral("Geheimer Text <#KD_NAME#>");
        view.settings.SenderAddress = QStringLiteral("info@velmora.example");
        view.settings.SmtpServer = QStringLiteral("127.0.0.1");
        view.settings.SmtpPassword = QStringLiteral("Kennwort-4711");
        for (int n = 1; n <= 3; ++n)
            recipients.rows.append(numberedCustomer(n));
    }

    void startServer(const QMap<QString, QStringList> &replies = {})
    {
        server = std::make_unique<ScriptedReplyServer>(replies);
        ASSERT_NE(server->port(), 0);
        view.settings.SmtpPort = server->port();
    }

    /// One run of a new mailing over the rows, with these retry waits.
    void runMailing(const QList<int> &waitsMs, SendJournal &journal)
    {
        mailing = journal.startMailing(
            {0, {}, QStringLiteral("Betreff"), view.settings.SenderAddress, {}, QStringLiteral("fp")});
        DeliveryBook book(journal, mailing);
        book.load(recipients, recipients.rowCount());
        SendRunJournal steps(book, transport, view);
        steps.setRetryPlan(RetryPlan(waitsMs));
        SendRun run(transport, view, recipients);
        run.setJournal(&steps);
        activeRun = &run;
        run.run();
        activeRun = nullptr;
        failures = book.failures();
    }

    QMap<QString, JournalRecipient> journalRows(SendJournal &journal)
    {
        QMap<QString, JournalRecipient> rows;
        for (const JournalRecipient &r : journal.recipients(mailing))
            rows.insert(r.address, r);
        return rows;
    }

    JournalledSendRun::Options options()
    {
        JournalledSendRun::Options o;
        o.journalPath = journalPath();
        o.retryPlan = RetryPlan(QList<int>{});
        return o;
    }

    QString journalPath() const { return dir.filePath(QStringLiteral("journal.sqlite")); }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir dir;
    SmtpTransport transport;
    RecordingSendView view;
    TableRecipients recipients;
    std::unique_ptr<ScriptedReplyServer> server;
    SendRun *activeRun = nullptr;
    qint64 mailing = 0;
    QList<FailedRecipient> failures;
};

TEST_F(JournalSendRunTest, EachKindOfReplyLeavesItsStateAndOnlyLimitsPauseTheRun)
{
    struct Row
    {
        const char *name;
        const char *reply;
        RecipientState state;
        bool paused;
    };
    const Row rows[] = {
        {"accepted", nullptr, RecipientState::Sent, false},
        {"user unknown", "550 5.1.1 user unknown", RecipientState::Refused, false},
        {"try later", "451 4.3.0 Try again later", RecipientState::TemporaryRefused, false},
        {"mailbox full", "452 4.2.2 Mailbox full", RecipientState::TemporaryRefused, false},
        {"shutting down", "421 4.3.2 Service shutting down", RecipientState::TemporaryRefused, false},
        {"gmail rate", "421 4.7.0 Try again later, closing connection", RecipientState::Open, true},
        {"rate limited", "450 4.7.1 Error: too many messages, rate limited", RecipientState::Open, true},
        {"too many recipients", "452 4.5.3 Too many recipients", RecipientState::Open, true},
        {"thread limit", "432 4.3.2 STOREDRV.ClientSubmit; sender thread limit exceeded", RecipientState::Open, true},
        {"daily quota", "550 5.4.5 Daily user sending quota exceeded.", RecipientState::Open, true},
        {"submission quota", "554 5.2.0 STOREDRV.Submission.Exception:SubmissionQuotaExceededException",
         RecipientState::Open, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        platform.messages.clear();
        startServer(row.reply ? QMap<QString, QStringList>{{address(2), {QString::fromLatin1(row.reply)}}}
                              : QMap<QString, QStringList>{});
        SendJournal journal(dir.filePath(QStringLiteral("%1.sqlite").arg(QString::fromLatin1(row.name))));
        runMailing({}, journal);
        const auto states = journalRows(journal);
        EXPECT_EQ(states.value(address(1)).state, RecipientState::Sent);
        EXPECT_EQ(states.value(address(2)).state, row.state) << stateName(states.value(address(2)).state).toStdString();
        EXPECT_EQ(states.value(address(3)).state, row.paused ? RecipientState::Open : RecipientState::Sent);
        EXPECT_EQ(server->delivered().size(), row.state == RecipientState::Sent ? 3 : (row.paused ? 1 : 2));
        if (row.reply) {
            EXPECT_EQ(states.value(address(2)).replyCode, QString::fromLatin1(row.reply).left(3).toInt());
        }
        EXPECT_TRUE(accountHolds(view, 3));
        ASSERT_EQ(platform.messages.size(), row.paused ? 1 : 0);
        if (row.paused) {
            // The provider's own words, and that the mailing can go on later.
            EXPECT_TRUE(platform.messages.first().text.contains(QString::fromLatin1(row.reply).mid(10, 20)))
                << platform.messages.first().text.toStdString();
            EXPECT_TRUE(platform.messages.first().text.contains(QStringLiteral("später fortgesetzt")));
            // The two still waiting are open on the pane and named so in the box.
            EXPECT_TRUE(platform.messages.first().text.contains(QStringLiteral("\n2 Empfänger haben")));
            EXPECT_EQ(view.labels.value(SendLabel::lblOffen), QStringLiteral("2"));
            EXPECT_EQ(view.labels.value(SendLabel::lblError), QStringLiteral("0"));
            EXPECT_TRUE(journal.unfinishedMailing().has_value());
        }
    }
}

TEST_F(JournalSendRunTest, RefusalsForNowAreRetriedInRoundsAndCountedOnlyWhenTheLastRoundFails)
{
    const QString tryLater = QStringLiteral("451 4.3.0 Try again later");
    startServer({{address(1), {tryLater, tryLater}}, {address(2), {tryLater, tryLater, tryLater, tryLater}}});
    SendJournal journal(journalPath());
    runMailing({40, 80, 120}, journal);

    EXPECT_EQ(server->delivered(), QStringList({address(3), address(1)}));
    const auto states = journalRows(journal);
    EXPECT_EQ(states.value(address(1)).state, RecipientState::Sent);
    EXPECT_EQ(states.value(address(1)).attempts, 3);
    EXPECT_EQ(states.value(address(2)).state, RecipientState::TemporaryRefused);
    EXPECT_EQ(states.value(address(2)).attempts, 4);
    // Refused for now is open until the last round, then not sent.
    EXPECT_EQ(view.labels.value(SendLabel::lblOK), QStringLiteral("2"));
    EXPECT_EQ(view.labels.value(SendLabel::lblError), QStringLiteral("1"));
    EXPECT_TRUE(accountHolds(view, 3));
    const QString waits = view.labelHistory.value(SendLabel::lblStatus).join(QLatin1Char('|'));
    EXPECT_TRUE(
        waits.contains(QStringLiteral("2 vorübergehend abgelehnte e-Mails: neuer Versuch in 1 s (Runde 1 von 3)")));
    EXPECT_TRUE(waits.contains(QStringLiteral("(Runde 3 von 3)")));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_EQ(failures.first().address, address(2));
    EXPECT_TRUE(failures.first().reason.startsWith(QStringLiteral("vorübergehend abgelehnt: ")));
}

TEST_F(JournalSendRunTest, AStopDuringTheRetryWaitEndsTheRunAtOnce)
{
    startServer({{address(2), {QStringLiteral("451 4.3.0 Try again later")}}});
    SendJournal journal(journalPath());
    QTimer::singleShot(400, [this] {
        if (activeRun)
            activeRun->stop();
    });
    QElapsedTimer clock;
    clock.start();
    runMailing({30000}, journal);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(server->delivered().size(), 2);
    EXPECT_EQ(journalRows(journal).value(address(2)).state, RecipientState::TemporaryRefused);
    EXPECT_EQ(view.labels.value(SendLabel::lblOffen), QStringLiteral("1")) << "a stopped run leaves it open";
    EXPECT_TRUE(accountHolds(view, 3));
}

TEST_F(JournalSendRunTest, ASecondRunOfTheSameMailingAsksWhomToSendTo)
{
    startServer();
    JournalledSendRun(transport, view, recipients, options()).run(std::nullopt);
    ASSERT_EQ(server->delivered().size(), 3);
    EXPECT_TRUE(platform.messages.isEmpty());
    recipients.rows.append(numberedCustomer(4));

    struct Row
    {
        const char *name;
        MessageAnswer answer;
        QStringList delivered;
    };
    const Row rows[] = {
        {"only those without it", MessageAnswer::Yes, {address(4)}},
        {"nobody", MessageAnswer::Cancel, {}},
        {"all again", MessageAnswer::No, {address(1), address(2), address(3), address(4)}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const qsizetype before = server->delivered().size();
        platform.messages.clear();
        platform.messageAnswers.enqueue(row.answer);
        JournalledSendRun(transport, view, recipients, options()).run(std::nullopt);
        EXPECT_EQ(server->delivered().mid(before), row.delivered);
        ASSERT_EQ(platform.messages.size(), 1);
        EXPECT_TRUE(platform.messages.first().text.startsWith(QStringLiteral("Diese e-Mail wurde bereits versandt")));
        EXPECT_EQ(platform.messages.first().actions,
                  (QStringList{QStringLiteral("Nur an die übrigen Empfänger"), QStringLiteral("Noch einmal an alle"),
                               QStringLiteral("Nicht senden")}));
    }
    view.subjectText = QStringLiteral("Ein anderer Betreff");
    platform.messages.clear();
    JournalledSendRun(transport, view, recipients, options()).run(std::nullopt);
    EXPECT_TRUE(platform.messages.isEmpty()) << "another message is another mailing";
}

// The question before sending comes once per finish, after the journal has
// settled who gets the mailing, and names exactly those.
TEST_F(JournalSendRunTest, TheSendQuestionNamesThoseWhoGetItAndIsNotRepeatedForTheFailureList)
{
    startServer({{address(2), {QStringLiteral("550 5.1.1 user unknown"), QStringLiteral("550 5.1.1 user unknown")}}});
    JournalledSendRun::Options o = options();
    o.confirmBeforeSending = true;
    int failureLists = 0;
    o.showFailures = [&failureLists](const QList<FailedRecipient> &) { return ++failureLists == 1; };
    const auto question = [](int count) {
        return count == 1 ? QStringLiteral("1 e-Mail an den ausgewählten Kunden über 127.0.0.1 senden?")
                          : QStringLiteral("%1 e-Mails an die ausgewählten Kunden über 127.0.0.1 senden?").arg(count);
    };

    platform.messageAnswers << MessageAnswer::Yes;
    JournalledSendRun(transport, view, recipients, o).run(std::nullopt);
    ASSERT_EQ(platform.messages.size(), 1) << "sending the refused one again asks nothing more";
    EXPECT_EQ(platform.messages[0].text, question(3));
    EXPECT_EQ(platform.messages[0].defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(failureLists, 2);
    EXPECT_EQ(server->delivered(), (QStringList{address(1), address(3)}));
    // The refused one sent again is open again, then not sent: the account spans both runs.
    EXPECT_TRUE(accountHolds(view, 3));
    EXPECT_EQ(view.labels.value(SendLabel::lblError), QStringLiteral("1"));

    recipients.rows.append(numberedCustomer(4));
    struct Row
    {
        const char *name;
        QList<MessageAnswer> answers;
        int named;
        QStringList delivered;
    };
    const Row rows[] = {
        {"only those without it", {MessageAnswer::Yes, MessageAnswer::Yes}, 1, {address(4)}},
        {"all again, Enter on the question", {MessageAnswer::No, ScriptedPlatformServices::PressEnter}, 4, {}},
    };
    o.showFailures = nullptr;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const qsizetype before = server->delivered().size();
        platform.messages.clear();
        platform.messageAnswers.append(row.answers);
        JournalledSendRun(transport, view, recipients, o).run(std::nullopt);
        ASSERT_EQ(platform.messages.size(), 2);
        EXPECT_TRUE(platform.messages[0].text.startsWith(QStringLiteral("Diese e-Mail wurde bereits versandt")));
        EXPECT_EQ(platform.messages[1].text, question(row.named));
        EXPECT_EQ(server->delivered().mid(before), row.delivered);
    }
}

// A file of ours that is gone is no refusal by the server: each recipient
// is not sent, with the reason in German, and no retry round waits for it.
TEST_F(JournalSendRunTest, AnAttachmentGoneIsNotSentAndNeverRetried)
{
    startServer();
    view.attachmentRows = {{dir.filePath(QStringLiteral("gelöscht.pdf")), false}};
    auto o = options();
    o.retryPlan = RetryPlan(QList<int>{60000});
    QElapsedTimer clock;
    clock.start();
    JournalledSendRun(transport, view, recipients, o).run(std::nullopt);
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_TRUE(server->delivered().isEmpty());
    EXPECT_EQ(view.labels.value(SendLabel::lblError), QStringLiteral("3"));
    EXPECT_TRUE(accountHolds(view, 3));
    SendJournal journal(journalPath());
    const QList<JournalRecipient> rows = journal.recipients(journal.unfinishedMailing().value_or(MailingRecord{}).id);
    EXPECT_TRUE(rows.isEmpty()) << "nobody waits for a retry";
    EXPECT_FALSE(view.labelHistory.value(SendLabel::lblStatus).join(QString()).contains(QStringLiteral("Runde")));
    EXPECT_EQ(view.labels.value(SendLabel::lblStatus),
              QStringLiteral("Die Anlage „%1“ wurde nicht gefunden.").arg(view.attachmentRows[0].fileName));
}

// A server that refuses the connection: its recipients count as not sent,
// so the two counters add up to the mailing. A run the account stops before
// connecting leaves its reason, as the window showed it, in the failure list.
TEST_F(JournalSendRunTest, RefusedConnectionsCountAsNotSent)
{
    startServer();
    view.settings.SmtpPort = 1; // nothing listens there on the loopback
    JournalledSendRun(transport, view, recipients, options()).run(std::nullopt);
    EXPECT_EQ(view.labels.value(SendLabel::lblOK).toInt(), 0);
    EXPECT_EQ(view.labels.value(SendLabel::lblError).toInt(), 3);

    struct SignedOut final : SendRunAccount
    {
        std::optional<QString> prepare(SmtpTransport &) override
        {
            return QStringLiteral("Die Anmeldung ist abgelaufen.");
        }
        bool trustCertificate(SmtpTransport &) override { return false; }
    } account;
    SendJournal journal(journalPath());
    mailing = journal.startMailing({0, {}, QStringLiteral("Betreff"), view.settings.SenderAddress, {}, {}});
    DeliveryBook book(journal, mailing);
    book.load(recipients, recipients.rowCount());
    SendRunJournal steps(book, transport, view);
    SendRun run(transport, view, recipients);
    run.setJournal(&steps);
    run.setAccount(&account);
    run.run();
    EXPECT_EQ(view.labels.value(SendLabel::lblStatus), QStringLiteral("Die Anmeldung ist abgelaufen."));
    ASSERT_FALSE(book.failures().isEmpty());
    EXPECT_EQ(book.failures().constFirst().reason, QStringLiteral("nicht gesendet: Die Anmeldung ist abgelaufen."));
}

TEST_F(JournalSendRunTest, AfterACrashOpenAndRetryableRecipientsAreSentAndUncertainOnesOnlyWhenTicked)
{
    struct Row
    {
        const char *name;
        bool tick;
        QStringList delivered;
    };
    const Row rows[] = {
        {"uncertain left out", false, {address(3), address(4)}},
        {"uncertain ticked", true, {address(2), address(3), address(4)}},
    };
    recipients.rows.append(numberedCustomer(4));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        startServer();
        QTemporaryDir home;
        SendJournal journal(home.filePath(QStringLiteral("j.sqlite")));
        // What a killed run leaves: 1 sent, 2 on its way, 3 untouched, 4 refused for now.
        const qint64 mailing = journal.startMailing({0, {}, QStringLiteral("Betreff"), {}, {}, QStringLiteral("fp")});
        DeliveryBook(journal, mailing).load(recipients, recipients.rowCount());
        const QList<JournalRecipient> known = journal.recipients(mailing);
        journal.recordResult(known[0].id, RecipientState::Sent, 0, {});
        journal.markSending(known[1].id);
        journal.recordResult(known[3].id, RecipientState::TemporaryRefused, 451, QStringLiteral("451 4.3.0 later"));

        QList<JournalRecipient> listed;
        const auto taken =
            MailingSelection::offerToContinue(journal, [&](const QString &, const QList<JournalRecipient> &u) {
                listed = u;
                return ResumeAnswer{ResumeAnswer::Choice::Continue,
                                    row.tick ? QSet<QString>{DeliveryBook::keyOf(u[0].kundenNr, u[0].address)}
                                             : QSet<QString>{}};
            });
        ASSERT_TRUE(taken.has_value());
        ASSERT_EQ(listed.size(), 1);
        EXPECT_EQ(listed.first().address, address(2));
        auto o = options();
        o.journalPath = journal.path();
        view.accounts.clear();
        JournalledSendRun(transport, view, recipients, o).run(taken->plan);
        // The one already sent counts from the start; the uncertain one left out stays uncertain.
        EXPECT_EQ(view.accounts.first().counters[0], 1);
        EXPECT_TRUE(accountHolds(view, 4));
        EXPECT_EQ(server->delivered(), row.delivered);
        EXPECT_EQ(journal.recipients(mailing)[1].state, row.tick ? RecipientState::Sent : RecipientState::Uncertain);
        EXPECT_FALSE(journal.unfinishedMailing().has_value()) << "nobody waits for it any more";
    }
}

// Esc on the offer means "later"; only "Nicht fortsetzen" ends it for good.
TEST_F(JournalSendRunTest, OnlyNichtFortsetzenEndsTheOffer)
{
    SendJournal journal(journalPath());
    const qint64 mailing = journal.startMailing({0, {}, QStringLiteral("Betreff"), {}, {}, QStringLiteral("fp")});
    DeliveryBook(journal, mailing).load(recipients, recipients.rowCount());
    QStringList offers;
    const auto answer = [&offers](ResumeAnswer::Choice choice) {
        return [&offers, choice](const QString &text, const QList<JournalRecipient> &) {
            offers << text;
            return ResumeAnswer{choice, {}};
        };
    };
    EXPECT_FALSE(MailingSelection::offerToContinue(journal, answer(ResumeAnswer::Choice::Later)).has_value());
    EXPECT_FALSE(MailingSelection::offerToContinue(journal, answer(ResumeAnswer::Choice::Never)).has_value());
    EXPECT_FALSE(MailingSelection::offerToContinue(journal, answer(ResumeAnswer::Choice::Continue)).has_value());
    ASSERT_EQ(offers.size(), 2);
    EXPECT_TRUE(offers.first().contains(QStringLiteral("0 Empfänger haben die e-Mail erhalten, 3 noch nicht")));
}

// The journal keeps what it takes to bring the mailing back, readable by its
// owner only, and never the password.
TEST_F(JournalSendRunTest, TheJournalFileIsPrivateKeepsTheMailingAndNoPassword)
{
    startServer({{address(2), {QStringLiteral("550 5.1.1 user unknown")}}});
    view.rtf = QStringLiteral("{\\rtf1 Geheimer Text}");
    view.priority = 0;
    view.attachmentRows = {{dir.filePath(QStringLiteral("Preisliste.pdf")), true}};
    QFile(view.attachmentRows[0].fileName).open(QIODevice::WriteOnly);
    view.personal = {dir.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.pdf"), true};
    for (int n = 1; n <= 3; ++n)
        QFile(dir.filePath(QStringLiteral("Rechnung K000%1.pdf").arg(n))).open(QIODevice::WriteOnly);
    JournalledSendRun(transport, view, recipients, options()).run(std::nullopt);
    {
        SendJournal journal(journalPath());
        const std::optional<MailingRecord> mailing = journal.latestMailing(
            MailingFingerprint::of(view.subjectText, view.text, view.rtf, view.attachmentRows, view.personal));
        ASSERT_TRUE(mailing.has_value());
        const std::optional<SavedMailing> saved = journal.savedContent(mailing->id);
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(saved->subject, view.subjectText);
        EXPECT_EQ(saved->rtf, view.rtf);
        EXPECT_EQ(saved->priority, 0);
        EXPECT_EQ(saved->attachments, (QList<SavedAttachment>{{view.attachmentRows[0].fileName, true}}));
        EXPECT_EQ(saved->recipients, recipients.rows);
        EXPECT_EQ(saved->personal, view.personal);
        const QList<JournalRecipient> rows = journal.recipients(mailing->id);
        ASSERT_EQ(rows.size(), 3);
        EXPECT_NE(rows[0].messageId, rows[2].messageId);
        EXPECT_TRUE(rows[0].messageId.endsWith(QStringLiteral("@velmora.example")));
    }
    QFile file(journalPath());
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_EQ(file.permissions() & others, 0);
    QByteArray everything;
    for (const QString &suffix : {QString(), QStringLiteral("-wal")}) {
        QFile part(journalPath() + suffix);
        if (part.open(QIODevice::ReadOnly))
            everything += part.readAll();
    }
    EXPECT_TRUE(everything.contains("Geheimer Text"));
    EXPECT_FALSE(everything.contains("Kennwort-4711"));
}

} // namespace
