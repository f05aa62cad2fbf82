#include "ReceivedMail.h"
#include "ScriptedPlatformServices.h"
#include "SendRunTestKit.h"
#include "SmtpTestServer.h"

#include "net/smtp/SmtpTransport.h"
#include "sendrun/CoalescingSendView.h"
#include "sendrun/SendRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QString kPlainTemplate =
    QStringLiteral("Hallo <#KD_ANREDE#> <#KD_VORNAME#> <#KD_NAME#>, Ihre Adresse <#KD_EMail#>.");
const QString kRtfTemplate = QStringLiteral("{\\rtf1\\ansi{\\b Hallo} <#KD_VORNAME#> <#KD_NAME#>\\par}");

class SendRunTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        platform.runRealEvents = true;
        view.text = kPlainTemplate;
        view.rtf = kRtfTemplate;
        view.settings.SenderName = QStringLiteral("Velmora GmbH");
        view.settings.SenderAddress = QStringLiteral("info@velmora.example");
        view.settings.SmtpServer = QStringLiteral("127.0.0.1");
    }

    void startServer(const SmtpTestServer::Options &options = {})
    {
        server = std::make_unique<SmtpTestServer>(options);
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        view.settings.SmtpPort = server->port();
    }

    /// Customers 1..count; those listed in refused get an address the server refuses.
    void addCustomers(int count, const QList<int> &refused = {})
    {
        for (int n = 1; n <= count; ++n)
            recipients.rows.append(
                numberedCustomer(n, refused.contains(n) ? QStringLiteral("refuse") : QStringLiteral("kunde")));
    }

    void runSend()
    {
        SendRun(transport, view, recipients).run();
        EXPECT_FALSE(transport.IsConnected());
        EXPECT_EQ(platform.mousePointer(), DefaultPointer);
        EXPECT_TRUE(!server || server->waitForClosedSessions(server->sessionCount()));
    }

    QString label(SendLabel which) const { return view.labels.value(which); }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    SmtpTransport transport;
    RecordingSendView view;
    TableRecipients recipients;
    std::unique_ptr<SmtpTestServer> server;
};

TEST_F(SendRunTest, FrameIsBusyDuringTheLoopAndRestoredAfterItAndTheCountersAreTheRunsOwn)
{
    startServer();
    addCustomers(3);

    runSend();

    // "Sende e-Mail r von N" names the message going out, the value counts those done.
    EXPECT_EQ(view.frameLog.join(QLatin1Char('|')),
              QStringLiteral("busy 1|navigation 0|minimum 0|maximum 3|visible 1|setWizardProgressValue 0|"
                             "text Sende e-Mail 1 von 3|setWizardProgressValue 1|text Sende e-Mail 2 von 3|"
                             "setWizardProgressValue 2|text Sende e-Mail 3 von 3|setWizardProgressValue 3|text |"
                             "visible 0|navigation 1|busy 0|finish first|finish second"));
    EXPECT_TRUE(accountHolds(view, 3));
    EXPECT_EQ(platform.pointerHistory, (QList<int>{HourglassPointer, DefaultPointer}));
    EXPECT_EQ(view.labelHistory[SendLabel::lblStatus].mid(0, 2),
              (QStringList{QStringLiteral("Verbindung zum e-Mail Server wird hergestellt..."),
                           QStringLiteral("Verbunden mit 127.0.0.1")}));
    EXPECT_EQ(label(SendLabel::lblStatus), QStringLiteral("Übertragung erfolgreich"));
    EXPECT_EQ(label(SendLabel::lblName), QStringLiteral("Jörg3 Müller3"));
    EXPECT_EQ(label(SendLabel::lblPLZ), QStringLiteral("10003 Ort3"));
    ASSERT_EQ(receivedMails(*server).size(), 3);
    EXPECT_EQ(receivedMails(*server).constLast().text.trimmed(),
              QStringLiteral("Hallo Frau Jörg3 Müller3, Ihre Adresse kunde3@example.org."));
    // The bar shows the run, moving on with each upload, and stays full at the end.
    EXPECT_EQ(view.progressBar.last(), std::pair(3, 3));
    EXPECT_TRUE(std::any_of(view.progressBar.cbegin(), view.progressBar.cend(),
                            [](const auto &bar) { return bar.second == 300 && bar.first % 100 != 0; }));
    EXPECT_FALSE(view.finishAllowed) << "nobody is left to send to";

    // A second run in the same form is an account of its own.
    view.accounts.clear();
    runSend();
    EXPECT_EQ(label(SendLabel::lblOK), QStringLiteral("3"));
    EXPECT_TRUE(accountHolds(view, 3));
    EXPECT_EQ(server->messagesPerSession(), (QList<int>{3, 3}));
}

TEST_F(SendRunTest, StopRequestedWhileEventsRunEndsTheRunAsAfterTheLastRecipient)
{
    startServer();
    addCustomers(3);
    SendRun run(transport, view, recipients);
    // Delivered by the first event run, as a close of the window would be.
    QTimer::singleShot(0, qApp, [&run] { run.stop(); });

    run.run();

    EXPECT_EQ(server->sessionCount(), 0);
    EXPECT_EQ(view.frameLog.last(), QStringLiteral("finish second"));
    EXPECT_EQ(view.lastFrame(QStringLiteral("navigation")), QStringLiteral("navigation 1"));
    EXPECT_EQ(platform.mousePointer(), DefaultPointer);
    EXPECT_EQ(label(SendLabel::lblOffen), QStringLiteral("3"));
    EXPECT_TRUE(accountHolds(view, 3));
    EXPECT_TRUE(view.finishAllowed) << "the three still waiting can be sent";
}

TEST_F(SendRunTest, StopAfterAMessageDeliversNothingOfTheEnvelopeSentAhead)
{
    startServer({.fault = QStringLiteral("plain")}); // offers pipelining
    addCustomers(5);
    SendRun run(transport, view, recipients);
    int delivered = 0;
    QObject::connect(&transport, &SmtpTransport::Progress, [&](qint32 percent) {
        if (percent == 100 && ++delivered == 2)
            run.stop();
    });

    run.run();

    ASSERT_TRUE(server->waitForClosedSessions(1));
    EXPECT_EQ(server->messagesPerSession(), QList<int>{2});
    EXPECT_EQ(server->commands(1).count(QStringLiteral("MAIL")), 3)
        << "the third envelope went ahead, then was dropped";
    EXPECT_EQ(label(SendLabel::lblOK), QStringLiteral("2"));
    EXPECT_TRUE(accountHolds(view, 5));
}

// What the settings and the form say arrives on the wire, for every priority
// (the attachments: SendRunWizardTest).
TEST_F(SendRunTest, SettingsAndFormReachTheServerAndAnEmptyListConnectsNowhere)
{
    struct Row
    {
        const char *name;
        int priorityIndex;
        bool receipt;
        const char *xPriority;
    };
    const Row rows[] = {
        {"Hoch", 0, true, "1"}, {"Normal", 1, false, "3"}, {"Niedrig", 2, true, "5"}, {"none chosen", -1, false, "5"}};
    // The server takes only these credentials: a delivery proves the login.
    startServer({.user = QStringLiteral("anna"), .password = QStringLiteral("geheim")});
    view.settings = {QStringLiteral("Anna"),      QStringLiteral("anna@velmora.example"),
                     QStringLiteral("Velmora"),   QStringLiteral("antwort@velmora.example"),
                     QStringLiteral("127.0.0.1"), server->port(),
                     QStringLiteral("anna"),      QStringLiteral("geheim")};
    addCustomers(1);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        view.priority = row.priorityIndex;
        view.readReceipt = row.receipt;

        runSend();

        const ReceivedMail mail = receivedMails(*server).value(server->sessionCount() - 1);
        EXPECT_EQ(mail.headers.value(QStringLiteral("x-priority")).left(1), QLatin1String(row.xPriority));
        EXPECT_EQ(mail.headers.contains(QStringLiteral("disposition-notification-to")), row.receipt);
    }
    ASSERT_EQ(server->sessionCount(), 4) << "one recipient per run";
    EXPECT_TRUE(server->commands(1).contains(QStringLiteral("EHLO ") + view.storeText));
    EXPECT_EQ(server->envelope(1, 1).first(), QStringLiteral("MAIL anna@velmora.example"));
    const ReceivedMail mail = receivedMails(*server).value(0);
    EXPECT_EQ(mail.headers.value(QStringLiteral("from")), QStringLiteral("Anna <anna@velmora.example>"));
    EXPECT_EQ(mail.headers.value(QStringLiteral("organization")), QStringLiteral("Velmora"));
    EXPECT_EQ(mail.headers.value(QStringLiteral("reply-to")), QStringLiteral("antwort@velmora.example"));
    EXPECT_EQ(mail.headers.value(QStringLiteral("subject")), view.subjectText);

    recipients.rows.clear();
    view.frameLog.clear();
    runSend();
    EXPECT_EQ(view.lastFrame(QStringLiteral("maximum")), QStringLiteral("maximum 0"));
    EXPECT_EQ(view.frameLog.last(), QStringLiteral("finish second"));
    EXPECT_EQ(server->sessionCount(), 4);
}

// The faults a real server (or its absence) produces, and what the pane shows of them.
TEST_F(SendRunTest, RefusedConnectionsAreShownPerRecipientAndCountedAsNotSent)
{
    view.settings.SmtpPort = freePort(); // nobody listens there
    addCustomers(4);

    runSend();

    const QString failed = QStringLiteral("Verbindung fehlgeschlagen.\r\n");
    const QStringList statuses = view.labelHistory[SendLabel::lblStatus].filter(failed);
    ASSERT_EQ(statuses.size(), 4);
    for (const QString &status : statuses)
        EXPECT_TRUE(status.startsWith(failed) && status.size() > failed.size()) << status.toStdString();
    // None of the four got the mail, and the bar still runs to its end.
    EXPECT_EQ(label(SendLabel::lblOK), QStringLiteral("0"));
    EXPECT_EQ(label(SendLabel::lblError), QStringLiteral("4"));
    EXPECT_TRUE(accountHolds(view, 4));
    EXPECT_EQ(view.progressBar.last(), std::pair(4, 4));
    EXPECT_FALSE(view.labelHistory.contains(SendLabel::lblEMail));
    EXPECT_EQ(view.frameLog.filter(QStringLiteral("text Sende")).constLast(),
              QStringLiteral("text Sende e-Mail 4 von 4"));
    EXPECT_EQ(view.lastFrame(QStringLiteral("setWizardProgressValue")), QStringLiteral("setWizardProgressValue 4"));
}

// Each recipient gets exactly their own file beside the common one, packed
// per recipient when asked; one whose file is missing, or whose data would
// lead out of the folder (a path in a field, a link), gets nothing at all.
TEST_F(SendRunTest, PersonalAttachmentsGoToTheirOwnRecipientAndAMissingOneIsRefused)
{
    startServer();
    addCustomers(6);
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QDir dir(base.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Rechnungen/Rechnung x")));
    const auto write = [&](const QString &name, const QByteArray &content) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    };
    for (const char *number : {"K0002", "K0004"})
        write(QStringLiteral("Rechnungen/Rechnung %1.txt").arg(QLatin1String(number)),
              QByteArray("Rechnung ") + number);
    write(QStringLiteral("outside.txt"), QByteArray("not for customers"));
    write(QStringLiteral("Preisliste.txt"), QByteArray("Preise"));
    recipients.rows[4][QStringLiteral("KundenNr")] = QStringLiteral("x/../../outside");
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("outside.txt")),
                            dir.filePath(QStringLiteral("Rechnungen/Rechnung K0006.txt"))));
    view.attachmentRows = {{dir.filePath(QStringLiteral("Preisliste.txt")), false}};
    view.personal = {dir.filePath(QStringLiteral("Rechnungen")), QStringLiteral("Rechnung <#KD_NUMMER#>.txt"), false};

    // A file changed between two runs goes out as it is now.
    for (const auto &[zip, edition] : {std::pair{false, "1"}, {false, "2"}, {true, "3"}}) {
        SCOPED_TRACE(edition);
        view.personal.zip = zip;
        write(QStringLiteral("Rechnungen/Rechnung K0001.txt"), QByteArray("Rechnung K0001 Fassung ") + edition);
        const qsizetype before = receivedMails(*server).size();
        runSend();

        const QList<ReceivedMail> mails = receivedMails(*server).mid(before);
        ASSERT_EQ(mails.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QString number = QStringLiteral("K000%1").arg(QList<int>{1, 2, 4}[i]);
            const QString name = QStringLiteral("Rechnung %1.txt").arg(number);
            EXPECT_TRUE(mails[i].envelopeRecipient.contains(QStringLiteral("kunde%1@").arg(number.right(1))));
            ASSERT_EQ(mails[i].attachments.size(), 2);
            EXPECT_EQ(mails[i].attachments[0].content, QByteArray("Preise"));
            const ReceivedMail::Attachment &own = mails[i].attachments[1];
            EXPECT_EQ(own.fileName, zip ? name + QStringLiteral(".zip") : name);
            const QByteArray content = (QStringLiteral("Rechnung ") + number).toUtf8() +
                (i == 0 ? QByteArray(" Fassung ") + edition : QByteArray());
            EXPECT_EQ(zip ? own.zipped.value(name) : own.content, content);
        }
        EXPECT_EQ(label(SendLabel::lblOK), QStringLiteral("3"));
        EXPECT_EQ(label(SendLabel::lblError), QStringLiteral("3"));
        const QStringList statuses = view.labelHistory[SendLabel::lblStatus];
        EXPECT_TRUE(statuses.contains(QString::fromUtf8("Persönliche Anlage „Rechnung K0003.txt“ fehlt")));
        EXPECT_TRUE(statuses.contains(QString::fromUtf8("Persönliche Anlage „Rechnung x/../../outside.txt“ fehlt")));
        EXPECT_TRUE(statuses.contains(QString::fromUtf8("Persönliche Anlage „Rechnung K0006.txt“ fehlt")));
    }
}

// A refused recipient costs neither the session nor a place in the batch:
// 120 recipients with every tenth refused still go over 51, 50 and 19.
TEST_F(SendRunTest, RefusedRecipientsAreCountedAndTheSessionCarriesOn)
{
    startServer();
    QList<int> refused;
    for (int n = 10; n <= 120; n += 10)
        refused << n;
    addCustomers(120, refused);

    runSend();

    EXPECT_EQ(label(SendLabel::lblOK), QStringLiteral("108"));
    EXPECT_EQ(label(SendLabel::lblError), QStringLiteral("12"));
    EXPECT_TRUE(accountHolds(view, 120));
    EXPECT_EQ(view.labelHistory[SendLabel::lblStatus].filter(QStringLiteral("550")).size(), 12);
    EXPECT_EQ(server->messagesPerSession(), (QList<int>{51 - 5, 50 - 5, 19 - 2}));
    QStringList delivered;
    for (const ReceivedMail &mail : receivedMails(*server))
        delivered << mail.envelopeRecipient;
    EXPECT_EQ(delivered.size(), 108);
    EXPECT_FALSE(delivered.contains(QStringLiteral("RCPT refuse10@example.org")));
    EXPECT_TRUE(delivered.contains(QStringLiteral("RCPT kunde11@example.org")));
}

TEST_F(SendRunTest, ServerDroppingTheSessionLosesNoLaterRecipient)
{
    SmtpTestServer::Options dropping;
    dropping.dropAfterMessages = 2;
    startServer(dropping);
    addCustomers(7);

    runSend();

    // Each drop may cost at most the one message that found the session gone (which one depends on timing),
    // so no two neighbours are ever lost.
    const int ok = label(SendLabel::lblOK).toInt();
    const int failed = label(SendLabel::lblError).toInt();
    EXPECT_EQ(ok + failed, 7);
    EXPECT_TRUE(accountHolds(view, 7));
    EXPECT_GE(ok, 5);
    QStringList delivered;
    for (const ReceivedMail &mail : receivedMails(*server))
        delivered << mail.envelopeRecipient;
    EXPECT_EQ(delivered.size(), ok);
    for (int n = 1; n < 7; ++n)
        EXPECT_TRUE(delivered.contains(QStringLiteral("RCPT kunde%1@example.org").arg(n)) ||
                    delivered.contains(QStringLiteral("RCPT kunde%1@example.org").arg(n + 1)))
            << n << ": " << delivered.join(QLatin1Char(' ')).toStdString();
}

// Whatever goes wrong inside one recipient's step costs that recipient only:
// it stays open, for a later run, and the loop goes on.
TEST_F(SendRunTest, FailureInsideOneRecipientLeavesItOpenAndTheLoopGoesOn)
{
    struct Row
    {
        const char *name;
        std::function<void(SendRunTest &)> spoil;
        int delivered;
    };
    const Row rows[] = {
        {"recipient cell missing", [](SendRunTest &t) { t.recipients.rows[1].remove(QStringLiteral("Ort")); }, 2},
        {"RTF source unreadable", [](SendRunTest &t) { t.view.rtf = QStringLiteral("kein RTF"); }, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        startServer();
        recipients.rows.clear();
        addCustomers(3);
        SetUp();
        row.spoil(*this);

        runSend();

        EXPECT_EQ(receivedMails(*server).size(), row.delivered);
        EXPECT_EQ(label(SendLabel::lblOK).toInt(), row.delivered);
        EXPECT_EQ(label(SendLabel::lblOffen).toInt(), 3 - row.delivered);
        EXPECT_TRUE(view.finishAllowed);
    }
}

TEST_F(SendRunTest, ErrorOutsideTheRecipientStepEndsTheRunAndCleansUp)
{
    startServer();
    addCustomers(4);
    view.failOn = QStringLiteral("text Sende e-Mail 3 von 4");

    runSend();

    EXPECT_EQ(receivedMails(*server).size(), 2);
    EXPECT_EQ(server->sessionCount(), 1);
    EXPECT_EQ(view.frameLog.last(), QStringLiteral("busy 0"));
    EXPECT_EQ(view.lastFrame(QStringLiteral("navigation")), QStringLiteral("navigation 0"));
    EXPECT_EQ(view.lastFrame(QStringLiteral("visible")), QStringLiteral("visible 1"));
    EXPECT_TRUE(platform.messages.isEmpty());
}

constexpr int kLongInterval = 60000;

TEST(CoalescingSendView, HoldsChangesWithinTheIntervalAndWritesTheLastOnesBeforeASwitch)
{
    RecordingSendView target;
    CoalescingSendView view(target, kLongInterval);

    view.setLabelText(SendLabel::lblStatus, QStringLiteral("eins"));
    view.setLabelText(SendLabel::lblStatus, QStringLiteral("zwei"));
    view.setLabelText(SendLabel::lblOK, QStringLiteral("8"));
    view.setWizardProgressValue(3);
    view.setWizardProgressText(QStringLiteral("Sende e-Mail 3 von 9"));
    for (int done : {4, 5, 6})
        view.setProgressBar(done, 9);

    EXPECT_EQ(target.labelHistory[SendLabel::lblStatus], QStringList{QStringLiteral("eins")});
    EXPECT_EQ(view.labelText(SendLabel::lblOK), QStringLiteral("8"));
    EXPECT_EQ(view.labelText(SendLabel::lblError), QStringLiteral("0"));
    EXPECT_EQ(target.labels[SendLabel::lblOK], QStringLiteral("0"));

    view.setBusy(false);

    EXPECT_EQ(target.labelHistory[SendLabel::lblStatus], (QStringList{QStringLiteral("eins"), QStringLiteral("zwei")}));
    EXPECT_EQ(target.labels[SendLabel::lblOK], QStringLiteral("8"));
    EXPECT_EQ(target.progressBar, (QList<std::pair<qint32, qint32>>{{6, 9}}));
    EXPECT_EQ(target.frameLog,
              (QStringList{QStringLiteral("setWizardProgressValue 3"), QStringLiteral("text Sende e-Mail 3 von 9"),
                           QStringLiteral("busy 0")}));
}

TEST(CoalescingSendView, PendingChangesReachTheWidgetsByTimerOrAtTheEnd)
{
    RecordingSendView target;
    {
        CoalescingSendView view(target, 20);
        view.setLabelText(SendLabel::lblStatus, QStringLiteral("a"));
        view.setLabelText(SendLabel::lblStatus, QStringLiteral("b"));
        EXPECT_EQ(target.labels[SendLabel::lblStatus], QStringLiteral("a"));
        QTest::qWait(100);
        EXPECT_EQ(target.labels[SendLabel::lblStatus], QStringLiteral("b"));

        view.setLabelText(SendLabel::lblEMail, QStringLiteral("x@example.org"));
        view.setLabelText(SendLabel::lblEMail, QStringLiteral("y@example.org"));
    }
    EXPECT_EQ(target.labels[SendLabel::lblEMail], QStringLiteral("y@example.org"));
}

TEST(CoalescingSendView, TargetThatThrowsDoesNotGetTheSameChangesAgain)
{
    RecordingSendView target;
    CoalescingSendView view(target, kLongInterval);
    view.setLabelText(SendLabel::lblStatus, QStringLiteral("erst"));
    view.setWizardProgressValue(2);
    target.failOn = QStringLiteral("setWizardProgressValue 2");

    EXPECT_THROW(view.flush(), std::runtime_error);
    target.failOn.clear();
    view.flush();

    EXPECT_TRUE(target.frameLog.isEmpty());
}

} // namespace
