// The check before a mailing: what each rule finds, in the person's words,
// and which recipients it names.
#include "SendRunTestKit.h"

#include "sendrun/MailingCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

class MailingCheckTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        for (int n = 1; n <= 5; ++n)
            recipients.rows.append(numberedCustomer(n));
        draft.subject = QStringLiteral("Angebot für <#KD_VORNAME#>");
        draft.text = QStringLiteral("Guten Tag <#KD_NAME#>");
        draft.rtf = QStringLiteral("{\\rtf1 Guten Tag <#KD_NAME#>\\par}");
        draft.recipients = &recipients;
        draft.rows = {1, 2, 3, 4, 5};
    }

    QString file(const QString &name, qint64 size)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
        return f.fileName();
    }

    QList<PreflightFinding> found(FindingKind kind) const
    {
        QList<PreflightFinding> result;
        for (const PreflightFinding &f : MailingCheck::standard().run(draft))
            if (f.kind == kind)
                result.append(f);
        return result;
    }

    QTemporaryDir dir;
    TableRecipients recipients;
    MailingDraft draft;
};

TEST_F(MailingCheckTest, ACleanMailingHasNothingToSay)
{
    draft.attachments = {{file(QStringLiteral("Preisliste.pdf"), 1000), true}};
    EXPECT_TRUE(MailingCheck::standard().run(draft).isEmpty());
}

TEST_F(MailingCheckTest, MistypedPlaceholdersAreNamedWithWhatWasMeant)
{
    draft.subject = QStringLiteral("Hallo <#KD_VORNAM#> und <# KD_NAME #>");
    draft.text = QStringLiteral("Sehr geehrte <#KD_Vorname#>, <#KD_EMail#> und <#KD_EMAIL#>, <#KD_Vorname#>");
    const QList<PreflightFinding> findings = found(FindingKind::UnknownPlaceholder);
    ASSERT_EQ(findings.size(), 4) << "each mistake once per place; <#KD_EMail#> is right";
    EXPECT_EQ(findings[0].text,
              QStringLiteral("„<#KD_VORNAM#>“ im Betreff ist kein Platzhalter und wird so "
                             "gesendet, wie er dasteht."));
    EXPECT_TRUE(findings[1].text.contains(QStringLiteral("(gemeint ist wohl „<#KD_NAME#>“)")));
    EXPECT_TRUE(findings[2].text.startsWith(QStringLiteral("„<#KD_Vorname#>“ im Text ist kein Platzhalter (gemeint "
                                                           "ist wohl „<#KD_VORNAME#>“)")));
    EXPECT_TRUE(findings[3].text.contains(QStringLiteral("„<#KD_EMail#>“")));
    for (const PreflightFinding &f : findings)
        EXPECT_FALSE(f.refuses);
}

TEST_F(MailingCheckTest, EmptyTextsAndEmptyFieldsAreAskedAbout)
{
    draft.subject = QStringLiteral(" \t ");
    draft.text = QStringLiteral("\n  \r\n\u00a0\n");
    ASSERT_EQ(found(FindingKind::EmptySubject).size(), 1);
    ASSERT_EQ(found(FindingKind::EmptyLetter).size(), 1);

    draft.subject = QStringLiteral("Für <#KD_FIRMA#>");
    draft.text = QStringLiteral("Hallo <#KD_VORNAME#> <#KD_VORNAME#> aus <#KD_ORT#>");
    recipients.rows[1][QStringLiteral("Vorname")] = QStringLiteral("  ");
    recipients.rows[3][QStringLiteral("Vorname")].clear();
    recipients.rows[4].remove(QStringLiteral("Firma"));
    const QList<PreflightFinding> empty = found(FindingKind::EmptyField);
    ASSERT_EQ(empty.size(), 2);
    EXPECT_EQ(empty[0].text, QStringLiteral("Vorname leer bei 2 Empfängern."));
    EXPECT_EQ(empty[0].rows, (QList<qint32>{2, 4}));
    EXPECT_EQ(empty[1].text, QStringLiteral("Firma leer bei 1 Empfänger."));
    EXPECT_EQ(empty[1].rows, QList<qint32>{5});
    draft.rows = {1, 3};
    EXPECT_TRUE(found(FindingKind::EmptyField).isEmpty()) << "only the rows still to be sent count";
}

TEST_F(MailingCheckTest, MissingAttachmentsRefuseTheMailing)
{
    const QString there = file(QStringLiteral("Preisliste.pdf"), 10);
    const QString unreadable = file(QStringLiteral("geheim.pdf"), 10);
    QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
    draft.attachments = {
        {there, false}, {dir.filePath(QStringLiteral("gelöscht.pdf")), true}, {dir.path(), false}, {unreadable, false}};
    const QList<PreflightFinding> missing = found(FindingKind::MissingAttachment);
    const bool root = QFile(unreadable).open(QIODevice::ReadOnly);
    ASSERT_EQ(missing.size(), root ? 2 : 3);
    EXPECT_EQ(missing[0].text,
              QStringLiteral("Die Anlage „gelöscht.pdf“ wurde nicht gefunden: ") +
                  QDir::toNativeSeparators(dir.filePath(QStringLiteral("gelöscht.pdf"))));
    EXPECT_TRUE(missing[1].text.contains(QStringLiteral("kann nicht gelesen werden")));
    for (const PreflightFinding &f : missing)
        EXPECT_TRUE(f.refuses);
}

TEST_F(MailingCheckTest, RecipientsWithoutTheirPersonalAttachmentAreNamedButDoNotRefuse)
{
    draft.personal = {dir.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.pdf"), true};
    for (const char *number : {"K0001", "K0003", "K0004", "K0005"})
        file(QStringLiteral("Rechnung %1.pdf").arg(QLatin1String(number)), 10);
    recipients.rows[3][QStringLiteral("KundenNr")] = QStringLiteral("../K0004");
    const QList<PreflightFinding> missing = found(FindingKind::MissingPersonalAttachment);
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing[0].rows, (QList<qint32>{2, 4}));
    EXPECT_EQ(missing[0].text,
              QStringLiteral("Die persönliche Anlage „Rechnung <#KD_NUMMER#>.pdf“ fehlt bei 2 "
                             "Empfängern; sie erhalten die e-Mail nicht."));
    EXPECT_FALSE(missing[0].refuses);
    draft.rows = {1, 3, 5};
    EXPECT_TRUE(found(FindingKind::MissingPersonalAttachment).isEmpty());
}

TEST_F(MailingCheckTest, InvalidAndSharedAddressesNameTheirRows)
{
    recipients.rows[1][QStringLiteral("EMail")] = QStringLiteral("kein-at-zeichen");
    recipients.rows[2][QStringLiteral("EMail")] = QStringLiteral("Kunde5@Example.org ");
    recipients.rows[3][QStringLiteral("EMail")] = QStringLiteral("kunde1@example.org");
    const QList<PreflightFinding> invalid = found(FindingKind::InvalidAddress);
    ASSERT_EQ(invalid.size(), 1);
    EXPECT_EQ(invalid[0].rows, QList<qint32>{2});
    EXPECT_EQ(invalid[0].text,
              QStringLiteral("Keine gültige e-Mail-Adresse bei 1 Empfänger; er erhält die e-Mail nicht."));
    const QList<PreflightFinding> shared = found(FindingKind::SharedAddress);
    ASSERT_EQ(shared.size(), 1);
    EXPECT_EQ(shared[0].rows, (QList<qint32>{1, 3, 4, 5}));
    EXPECT_TRUE(shared[0].text.startsWith(QStringLiteral("2 e-Mail-Adressen stehen bei 4 Empfängern;")));
}

TEST_F(MailingCheckTest, LargeMessagesAreAskedAboutAgainstTheServersSizeAndTenMegabytes)
{
    draft.attachments = {{file(QStringLiteral("Katalog.pdf"), 3'000'000), false}};
    EXPECT_TRUE(found(FindingKind::LargeMessage).isEmpty());
    draft.serverSizeLimit = 2'000'000;
    ASSERT_EQ(found(FindingKind::LargeMessage).size(), 1);
    EXPECT_TRUE(found(FindingKind::LargeMessage)[0].text.contains(QStringLiteral("höchstens 2,0 MB")));
    draft.serverSizeLimit = 0;
    draft.attachments = {{file(QStringLiteral("Film.mp4"), 7'600'000), true}};
    ASSERT_EQ(found(FindingKind::LargeMessage).size(), 1) << "base64 makes 7.6 MB more than 10 MB";
    EXPECT_TRUE(found(FindingKind::LargeMessage)[0].text.contains(QStringLiteral("etwa 10,4 MB")));
    // The largest recipient's own file counts: one invoice of 1.5 MB beside a small catalogue.
    draft.attachments = {{file(QStringLiteral("Katalog.pdf"), 500'000), false}};
    draft.serverSizeLimit = 2'000'000;
    EXPECT_TRUE(found(FindingKind::LargeMessage).isEmpty());
    draft.personal = {dir.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.pdf"), false};
    file(QStringLiteral("Rechnung K0002.pdf"), 1'500'000);
    EXPECT_EQ(found(FindingKind::LargeMessage).size(), 1);
}

} // namespace
