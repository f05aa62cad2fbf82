// The journal's rules that need no server: the replies without a server
// reply, the rate spacing, the failure list file, pruning and what a crash leaves.
#include "SendRunTestKit.h"

#include "journal/DeliveryBook.h"
#include "journal/FailureListCsv.h"
#include "journal/SendJournal.h"
#include "journal/SendThrottle.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

TEST(JournalRules, ResultsWithoutAReplyAreUncertainOrForLater)
{
    EXPECT_EQ(ReplyClassifier::classify(-2, 0, QString()), ReplyKind::Uncertain);
    EXPECT_EQ(ReplyClassifier::classify(-1, 0, QStringLiteral("Zeitüberschreitung")), ReplyKind::Temporary);
    EXPECT_EQ(ReplyClassifier::classify(0, 0, QString()), ReplyKind::Delivered);
    EXPECT_EQ(ReplyClassifier::classify(-550, 0, QStringLiteral("550 5.7.1 relaying denied")), ReplyKind::Refused);
}

TEST(JournalRules, ThrottleKnowsMicrosoftAndSpacesEvenly)
{
    struct Row
    {
        const char *server;
        const char *configured;
        int perMinute;
    };
    for (const Row &row :
         {Row{"smtp.office365.com", "", 30}, Row{"SMTP-MAIL.OUTLOOK.COM ", "", 30}, Row{"smtp.office365.com", "10", 10},
          Row{"mail.example.org", "", 0}, Row{"mail.example.org", "120", 120}, Row{"mail.example.org", "-5", 0},
          Row{"mail.example.org", "viele", 0}})
        EXPECT_EQ(SendThrottle::perMinuteFor(QString::fromLatin1(row.server), QString::fromLatin1(row.configured)),
                  row.perMinute)
            << row.server << " " << row.configured;
    SendThrottle throttle(30);
    EXPECT_EQ(throttle.waitMs(1000), 0);
    throttle.sent(1000);
    EXPECT_EQ(throttle.waitMs(1500), 1500);
    EXPECT_EQ(throttle.waitMs(3000), 0);
}

TEST(JournalRules, FailureListIsASemicolonCsvWithByteOrderMark)
{
    const QByteArray csv =
        FailureListCsv::render({{1, QStringLiteral("K0001"), QStringLiteral("Jörg Müller"),
                                 QStringLiteral("a@example.org"), QStringLiteral("abgelehnt: 550 5.1.1 user unknown")},
                                {2, QStringLiteral("K0002"), QStringLiteral("Weiß; \"Bäckerei\""),
                                 QStringLiteral("b@example.org"), QStringLiteral("zurückgestellt")}});
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"
                               "Kunden-Nr;Name;Adresse;Grund\r\n"));
    EXPECT_TRUE(csv.contains("K0001;J\xC3\xB6rg M\xC3\xBCller;a@example.org;abgelehnt: 550 5.1.1 user unknown\r\n"));
    EXPECT_TRUE(csv.contains(";\"Wei\xC3\x9F; \"\"B\xC3\xA4"
                             "ckerei\"\"\";"));
    QTemporaryDir dir;
    EXPECT_TRUE(FailureListCsv::save(dir.filePath(QStringLiteral("liste.csv")), {}));
    EXPECT_FALSE(FailureListCsv::save(dir.filePath(QStringLiteral("fehlt/liste.csv")), {}));
}

// What an attacker puts in a customer name or a server reply must stay text
// when the list is opened in a spreadsheet: LibreOffice reads the file as a
// person's would and writes it out as flat ODS, where a formula would show.
TEST(JournalRules, FailureListOpensInASpreadsheetWithoutFormulas)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        if (qEnvironmentVariable("CI") == QStringLiteral("true"))
            FAIL() << "LibreOffice (soffice) is not installed";
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    const QStringList payloads{QStringLiteral("=HYPERLINK(\"http://evil.example/\";\"Klick\")"),
                               QStringLiteral("+cmd|' /C calc'!A0"),
                               QStringLiteral("@SUM(1+1)"),
                               QStringLiteral("-2+3"),
                               QStringLiteral("\t=1+2"),
                               QStringLiteral("\r=2+2")};
    QList<FailedRecipient> failures;
    for (const QString &payload : payloads)
        failures.append({1, QStringLiteral("K1"), payload, QStringLiteral("a@example.org"), payload});

    QTemporaryDir dir;
    const QString csvPath = dir.filePath(QStringLiteral("liste.csv"));
    ASSERT_TRUE(FailureListCsv::save(csvPath, failures));
    QProcess office;
    office.start(soffice,
                 {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--infilter=CSV:59,34,76,1"),
                  QStringLiteral("--convert-to"), QStringLiteral("fods"), QStringLiteral("--outdir"), dir.path(),
                  csvPath});
    ASSERT_TRUE(office.waitForFinished(180000)) << "LibreOffice did not finish";
    QFile sheet(dir.filePath(QStringLiteral("liste.fods")));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly)) << office.readAllStandardError().toStdString();
    const QByteArray xml = sheet.readAll().replace("&apos;", "'");
    EXPECT_FALSE(xml.contains("table:formula")) << "a cell became a formula";
    EXPECT_FALSE(xml.contains("value-type=\"float\"")) << "a cell became a number";
    for (const char *shown : {"<text:p>'@SUM(1+1)<", "<text:p>'-2+3<", "<text:p>'+cmd|' /C calc'!A0<", "'=HYPERLINK("})
        EXPECT_TRUE(xml.contains(shown)) << shown;
}

// The host names itself (or is named after its program file); the journal
// stays in the component's folder whatever the name, and one kept under an
// earlier host name moves there.
TEST(JournalRules, JournalFolderIsTheComponentsWhateverTheHostIsCalled)
{
    QTemporaryDir home; // no other test of this program uses the default folder
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QCoreApplication::setApplicationName(QStringLiteral("Warenwirtschaft"));
    const QString earlier = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    qint64 kept = 0;
    {
        SendJournal journal(earlier + QStringLiteral("/versandjournal.sqlite"));
        kept = journal.startMailing({0, QDateTime::currentDateTimeUtc(), QStringLiteral("Herbst"), {}, {}, {}});
    }
    const QString path = home.filePath(QStringLiteral("OrvVelmora/versandjournal.sqlite"));
    EXPECT_EQ(SendJournal::defaultPath(), path);
    {
        SendJournal journal;
        EXPECT_EQ(journal.path(), path);
        EXPECT_EQ(journal.mailing(kept).value_or(MailingRecord{}).subject, QStringLiteral("Herbst"));
    }
    EXPECT_FALSE(QFile::exists(earlier + QStringLiteral("/versandjournal.sqlite")));
    QCoreApplication::setApplicationName(QStringLiteral("ganz-anders"));
    EXPECT_EQ(SendJournal::defaultPath(), path);
}

TEST(JournalRules, MailingsOlderThanNinetyDaysArePruned)
{
    QTemporaryDir dir;
    SendJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 old = journal.startMailing({0, now.addDays(-91), QStringLiteral("alt"), {}, {}, QStringLiteral("a")});
    const qint64 recent =
        journal.startMailing({0, now.addDays(-89), QStringLiteral("neu"), {}, {}, QStringLiteral("b")});
    journal.addRecipient(old, QStringLiteral("K1"), {}, QStringLiteral("a@example.org"));
    EXPECT_EQ(journal.prune(now), 1);
    EXPECT_FALSE(journal.mailing(old).has_value());
    EXPECT_TRUE(journal.recipients(old).isEmpty());
    EXPECT_TRUE(journal.mailing(recent).has_value());
}

TEST(JournalRules, ACrashLeftoverIsUncertainAndTheSameCustomerOrAddressTwiceIsOneRecipient)
{
    QTemporaryDir dir;
    SendJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    TableRecipients rows;
    QMap<QString, QString> sharing = numberedCustomer(4);
    sharing[QStringLiteral("EMail")] = QStringLiteral(" Kunde2@Example.org");
    rows.rows = {numberedCustomer(1), numberedCustomer(2), numberedCustomer(1), sharing};
    const qint64 mailing = journal.startMailing({});
    DeliveryBook first(journal, mailing);
    first.load(rows, rows.rowCount());
    EXPECT_EQ(journal.recipients(mailing).size(), 2);
    EXPECT_EQ(first.wantedCount(), 2);
    EXPECT_EQ(first.wantedDuplicates(), 1) << "the customer who shares an address";
    first.beginSend(1);
    EXPECT_EQ(journal.recipients(mailing).constFirst().state, RecipientState::Sending);

    DeliveryBook afterCrash(journal, mailing);
    afterCrash.load(rows, rows.rowCount(), DuplicateAddresses::SendEach);
    EXPECT_EQ(journal.recipients(mailing).constFirst().state, RecipientState::Uncertain);
    EXPECT_EQ(afterCrash.standing(1), Standing::Uncertain);
    EXPECT_FALSE(afterCrash.wanted(1));
    EXPECT_EQ(afterCrash.failures().constFirst().reason,
              QStringLiteral("unsicher: Verbindung nach dem Ende der Nachricht unterbrochen"));
    EXPECT_TRUE(afterCrash.wanted(2));
    EXPECT_FALSE(afterCrash.standing(3).has_value()) << "the second listing of the same customer";
    EXPECT_TRUE(afterCrash.wanted(4)) << "sent to each row of an address when asked to";
    afterCrash.endSend(2, 1, 0, {});
    EXPECT_EQ(afterCrash.standing(2), Standing::Sent);

    DeliveryBook ticked(journal, mailing,
                        {DeliveryBook::keyOf(QStringLiteral("K0001"), QStringLiteral("KUNDE1@example.org"))});
    ticked.load(rows, rows.rowCount());
    EXPECT_TRUE(ticked.wanted(1));
    EXPECT_FALSE(ticked.wanted(4)) << "the address already had its message";
    ticked.beginSend(1);
    ticked.record(1, ReplyKind::OurFault, 0, QStringLiteral("Die Anlage fehlt."));
    EXPECT_EQ(ticked.standing(1), Standing::NotSent);
    EXPECT_EQ(ticked.failures().constFirst().reason, QStringLiteral("nicht gesendet: Die Anlage fehlt."));
}

TEST(JournalRules, AnOutcomeReachesTheDiskWithTheNextMessageAndTheLastOneWhenTheBookCloses)
{
    QTemporaryDir dir;
    SendJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    TableRecipients rows;
    rows.rows = {numberedCustomer(1), numberedCustomer(2)};
    const qint64 mailing = journal.startMailing({});
    {
        DeliveryBook book(journal, mailing);
        book.load(rows, rows.rowCount());
        book.beginSend(1);
        book.endSend(1, 1, 0, {});
        book.beginSend(2);
        const QList<JournalRecipient> onDisk = journal.recipients(mailing);
        EXPECT_EQ(onDisk.at(0).state, RecipientState::Sent);
        EXPECT_EQ(onDisk.at(1).state, RecipientState::Sending);
        book.endSend(2, -550, 550, QStringLiteral("5.1.1 unbekannt"));
    }
    EXPECT_EQ(journal.recipients(mailing).at(1).state, RecipientState::Refused);
}
