// The whole road of a mailing, as a user takes it: ShowDialog on a SQLite host
// database, all customers transferred, a formatted message with placeholders
// and two attachments, finish, and what a real SMTP server received.
#include "OAuthTestServer.h"
#include "ReceivedMail.h"
#include "ScriptedPlatformServices.h"
#include "SendRunTestKit.h"
#include "SmtpTestServer.h"
#include "account/SettingsTokenFile.h"

#include "account/frmEMailSetup.h"
#include "component/CMailInternal.h"
#include "controls/grid/GridComponent.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/wizardframe/LabelledField.h"
#include "controls/wizardframe/WizardFrame.h"
#include "editor/OrvRtfCtl32.h"
#include "net/oauth/OAuthAccess.h"
#include "net/oauth/OAuthSignIn.h"
#include "net/oauth/OAuthTokenStore.h"
#include "net/smtp/SmtpTransport.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "settings/TrustedCertificate.h"
#include "wizard/MessagePane.h"
#include "wizard/MessagePreview.h"
#include "wizard/SendConfirmationDialog.h"
#include "wizard/SendStatusPane.h"
#include "wizard/frmDialogMail.h"

#include <OrvVelmora/CMail.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QStringList kFields = QStringLiteral("KundenNr Anrede Vorname Name Firma Zusatz AnsprechPartner Strasse PLZ Ort "
                                           "Land EMail FreiFeld1 FreiFeld2 FreiFeld3 PreisGruppe")
                                .split(QLatin1Char(' '));

// All sixteen placeholders between bars, so that each value can be checked in place.
const char kTokenLine[] = "<#KD_NUMMER#>|<#KD_ANREDE#>|<#KD_VORNAME#>|<#KD_NAME#>|<#KD_FIRMA#>|<#KD_ZUSATZ#>|"
                          "<#KD_ANSPRECHPARTNER#>|<#KD_STRASSE#>|<#KD_PLZ#>|<#KD_ORT#>|<#KD_LAND#>|"
                          "<#KD_FREIFELD1#>|<#KD_FREIFELD2#>|<#KD_FREIFELD3#>|<#KD_EMail#>|<#DATE#>";

QString messageRtf()
{
    return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 "
                          "{\\b Sehr geehrte Kundin, sehr geehrter Kunde,}\\par\n"
                          "\\pard\\qc Gr\\'fc\\'dfe aus M\\'fcnchen\\par\n\\pard ") +
        QString::fromLatin1(kTokenLine) + QStringLiteral("\\par\n}");
}

/// What the token line reads for the customer with this number.
QString expectedLine(const QMap<QString, QString> &customer)
{
    QStringList values;
    for (const QString &key : kFields.mid(0, 11) + kFields.mid(12, 3) + QStringList{QStringLiteral("EMail")})
        values << customer.value(key);
    values << QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    return values.join(QLatin1Char('|'));
}

/// A free port the account dialog can take: its port field holds four digits.
quint16 freeFourDigitPort()
{
    for (quint16 port = quint16(9000 + QRandomGenerator::global()->bounded(900)); port < 10000; ++port)
        if (freePort(port))
            return port;
    return 0;
}

/// The customers of the host database; KundenNr is a number there, so it is kept as its digits.
QMap<QString, QString> customer(int n)
{
    QMap<QString, QString> c = numberedCustomer(n);
    c[QStringLiteral("KundenNr")] = QString::number(n);
    return c;
}

class SendRunWizardTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        platform.runRealEvents = true;
        // A delivery journal per test: the same letter sent by an earlier test
        // would otherwise bring up the question about a second run.
        qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
        database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("host"));
        database.setDatabaseName(dir.filePath(QStringLiteral("host.sqlite")));
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE tbFirma (Firma1 TEXT, EMail TEXT)")));
        ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO tbFirma VALUES ('Velmora GmbH', 'info@velmora.example')")));
        ASSERT_TRUE(query.exec(
            QStringLiteral("CREATE TABLE tbKunden (KundenNr INTEGER, %1 TEXT)")
                .arg(kFields.mid(1, 14).join(QStringLiteral(" TEXT, ")) + QStringLiteral(" TEXT, PreisGruppe"))));
        mail.setADOConnection(database);
        mail.setConfigFileName(dir.filePath(QStringLiteral("velmora.ini")));
        writeAttachments();
    }

    void TearDown() override
    {
        mail.setADOConnection(QSqlDatabase());
        database.close();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("host"));
    }

    void addCustomers(int count)
    {
        QSqlQuery query(database);
        query.prepare(QStringLiteral("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        for (int n = 1; n <= count; ++n) {
            const QMap<QString, QString> c = customer(n);
            for (int i = 0; i < kFields.size(); ++i)
                query.bindValue(i, c.value(kFields.at(i)));
            ASSERT_TRUE(query.exec());
        }
    }

    void configureServer(const QString &host, quint16 port)
    {
        SettingsFileStore store;
        store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Server"), host, mail.ConfigFileName());
        store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Port"), QString::number(port),
                         mail.ConfigFileName());
    }

    void writeAttachments()
    {
        for (int i = 0; i < 200; ++i)
            priceList += QStringLiteral("Artikel %1;Größe;%2,99 €\n").arg(i).arg(i * 3).toUtf8();
        for (int i = 0; i < 5000; ++i)
            catalogueBytes.append(char((i * 7919) % 256));
        for (const auto &[name, bytes] : {std::pair{"Preisliste.txt", &priceList}, {"Katalog.bin", &catalogueBytes}}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size());
        }
    }

    /// Works the wizard once it is up, the way a user would, then closes it.
    void operateWizard(const std::function<void(frmDialogMail &)> &beforeFinish = {})
    {
        QTimer::singleShot(0, qApp, [this, beforeFinish] {
            frmDialogMail &form = mail.internal().wizard();
            form.recipients()->cmdAddAllKunde()->click();
            form.mainWizard()->nextButton()->click();
            form.sevBetreff()->setText(QStringLiteral("Angebot für <#KD_VORNAME#>"));
            form.sevDringlichkeit()->setCurrentIndex(0);
            form.chkLeseBestaetigung()->setChecked(true);
            form.mainRtfControl()->mainRTF()->setTextRTF(messageRtf());
            platform.fileAnswers.clear();
            platform.fileAnswers.enqueue(dir.filePath(QStringLiteral("Preisliste.txt")));
            platform.fileAnswers.enqueue(dir.filePath(QStringLiteral("Katalog.bin")));
            form.attachments()->cmdAnlageAdd()->click();
            form.attachments()->cmdAnlageAdd()->click();
            form.sevAnlagen()->setRowChecked(2, true);
            form.mainWizard()->nextButton()->click();
            okBefore = form.sendStatus()->label(SendLabel::lblOK)->text();
            if (beforeFinish)
                beforeFinish(form);
            form.mainWizard()->finishButton()->click();
            for (int i = 0; i <= int(SendLabel::lblOffen); ++i)
                shown[SendLabel(i)] = form.sendStatus()->label(SendLabel(i))->text();
            navigationAfter = form.mainWizard()->NavigationEnabled();
            finishAfter = form.mainWizard()->finishButton()->isEnabled();
            barAfter = {form.mainProgressBar()->value(), form.mainProgressBar()->maximum()};
            form.mainWizard()->cancelButton()->click();
            // A question left unanswered would keep the wizard open for good.
            if (form.isVisible()) {
                ADD_FAILURE() << "the wizard stayed open after Abbrechen";
                form.done(QDialog::Rejected);
            }
        });
        ASSERT_EQ(mail.ShowDialog(), CallStatus::Ok);
    }

    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    QTemporaryDir dir;
    QSqlDatabase database;
    CMail mail;
    QByteArray priceList;
    QByteArray catalogueBytes;
    QString okBefore;
    QMap<SendLabel, QString> shown;
    bool navigationAfter = false;
    bool finishAfter = true;
    std::pair<int, int> barAfter;
};

TEST_F(SendRunWizardTest, HundredTwentyPersonalisedMailsWithAttachmentsOverThreeSessions)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    addCustomers(120);
    platform.messageAnswers.enqueue(MessageAnswer::Yes); // "120 e-Mails ... senden?"

    operateWizard();

    ASSERT_TRUE(server.waitForClosedSessions(3));
    EXPECT_EQ(server.messagesPerSession(), (QList<int>{51, 50, 19}));
    EXPECT_EQ(shown[SendLabel::lblOK].toInt(), okBefore.toInt() + 120);
    EXPECT_EQ(shown[SendLabel::lblError], QStringLiteral("0"));
    EXPECT_EQ(shown[SendLabel::lblStatus], QStringLiteral("Übertragung erfolgreich"));
    EXPECT_TRUE(navigationAfter);
    EXPECT_FALSE(finishAfter) << "a finished run leaves nothing to finish";
    EXPECT_EQ(barAfter, std::pair(120, 120));

    const QList<ReceivedMail> mails = receivedMails(server);
    ASSERT_EQ(mails.size(), 120);
    QSet<int> seen;
    for (const ReceivedMail &received : mails) {
        const int n =
            received.envelopeRecipient.section(QStringLiteral("kunde"), 1).section(QLatin1Char('@'), 0, 0).toInt();
        seen.insert(n);
        SCOPED_TRACE(n);
        const QString line = expectedLine(customer(n));
        const QString html = QTextDocumentFragment::fromHtml(received.html).toPlainText();
        EXPECT_TRUE(received.text.contains(line)) << received.text.toStdString();
        EXPECT_TRUE(html.contains(line)) << html.toStdString();
        for (const QString &body : {received.text, html})
            EXPECT_TRUE(body.contains(QStringLiteral("Grüße aus München")) && !body.contains(QStringLiteral("<#")));
        EXPECT_TRUE(received.html.contains(QStringLiteral("bold")) || received.html.contains(QStringLiteral("<b>")));
        EXPECT_TRUE(received.html.contains(QStringLiteral("center")));
        EXPECT_EQ(received.headers.value(QStringLiteral("subject")),
                  QStringLiteral("Angebot für ") + customer(n).value(QStringLiteral("Vorname")));
        EXPECT_TRUE(received.headers.value(QStringLiteral("x-priority")).startsWith(QLatin1Char('1')));
        EXPECT_TRUE(received.headers.value(QStringLiteral("disposition-notification-to"))
                        .contains(QStringLiteral("info@velmora.example")));
        ASSERT_EQ(received.attachments.size(), 2);
        EXPECT_EQ(received.attachments[0].fileName, QStringLiteral("Preisliste.txt"));
        EXPECT_EQ(received.attachments[0].content, priceList);
        EXPECT_EQ(received.attachments[1].fileName, QStringLiteral("Katalog.bin.zip"));
        EXPECT_EQ(received.attachments[1].zipped.value(QStringLiteral("Katalog.bin")), catalogueBytes);
    }
    EXPECT_EQ(seen.size(), 120);
}

// "Testversand an mich" sends the previewed recipient's real message (the
// salutation with the phrases of the settings file, the priority and read
// receipt the form shows, the attachments, their own file) to the sender's
// address; no counter moves, and a recipient whose own file is missing sends
// nothing.
TEST_F(SendRunWizardTest, TestMailFromThePreviewArrivesAtTheSendersAddressWithTheRecipientsValues)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QStringLiteral("BriefanredeHerr"),
                                   QStringLiteral("Lieber"), mail.ConfigFileName());
    addCustomers(3);
    QFile invoice(dir.filePath(QStringLiteral("Rechnung 2.txt")));
    ASSERT_TRUE(invoice.open(QIODevice::WriteOnly) && invoice.write("Rechnung für Kunde 2") > 0);
    invoice.close();
    QStringList shownAttachments;
    QString okAfter;
    QTimer::singleShot(0, qApp, [&] {
        frmDialogMail &form = mail.internal().wizard();
        form.recipients()->cmdAddAllKunde()->click();
        form.mainWizard()->nextButton()->click();
        form.sevBetreff()->setText(QStringLiteral("Angebot für <#KD_VORNAME#>"));
        form.mainRtfControl()->mainRTF()->setTextRTF(
            QStringLiteral("{\\rtf1 <#KD_BRIEFANREDE#>,\\par {\\b Ihr Angebot}\\par}"));
        platform.fileAnswers.enqueue(dir.filePath(QStringLiteral("Preisliste.txt")));
        form.attachments()->cmdAnlageAdd()->click();
        form.attachments()->setPersonalAttachment({dir.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.txt"), true});
        form.sevDringlichkeit()->setCurrentIndex(0);
        form.chkLeseBestaetigung()->setChecked(true);
        form.message()->cmdVorschau()->click();
        auto *preview = form.findChild<MessagePreview *>();
        ASSERT_NE(preview, nullptr);
        preview->cmdTestversand()->click(); // customer 1 has no invoice
        shownAttachments << preview->lblAttachments()->text();
        preview->nextButton()->click();
        shownAttachments << preview->lblAttachments()->text();
        preview->cmdTestversand()->click();
        preview->close();
        okAfter = form.sendStatus()->label(SendLabel::lblOK)->text();
        form.done(QDialog::Rejected);
    });
    ASSERT_EQ(mail.ShowDialog(), CallStatus::Ok);

    EXPECT_EQ(shownAttachments,
              (QStringList{QString::fromUtf8("Preisliste.txt, Persönliche Anlage „Rechnung 1.txt“ fehlt"),
                           QStringLiteral("Preisliste.txt, Rechnung 2.txt.zip")}));
    ASSERT_EQ(platform.messages.size(), 2);
    EXPECT_EQ(platform.messages[0].text,
              QString::fromUtf8("Die Testnachricht wurde nicht gesendet.\r\n\r\nPersönliche Anlage „Rechnung "
                                "1.txt“ fehlt"));
    EXPECT_EQ(platform.messages[1].text,
              QString::fromUtf8("Die Testnachricht mit den Daten von „kunde2@example.org“ ging an "
                                "Ihre eigene Adresse „info@velmora.example“; sehen Sie dort "
                                "nach, wie sie angekommen ist."));
    EXPECT_EQ(okAfter, QStringLiteral("0"));
    ASSERT_TRUE(server.waitForClosedSessions(1));
    const QList<ReceivedMail> mails = receivedMails(server);
    ASSERT_EQ(mails.size(), 1);
    EXPECT_TRUE(mails[0].envelopeRecipient.endsWith(QStringLiteral("info@velmora.example")));
    EXPECT_EQ(mails[0].headers.value(QStringLiteral("subject")), QStringLiteral("[Test] Angebot für Jörg2"));
    EXPECT_TRUE(mails[0].headers.value(QStringLiteral("x-priority")).startsWith(QLatin1Char('1')));
    EXPECT_TRUE(mails[0].headers.contains(QStringLiteral("disposition-notification-to")));
    EXPECT_TRUE(mails[0].text.startsWith(QStringLiteral("Lieber Herr Müller2,"))) << mails[0].text.toStdString();
    EXPECT_TRUE(mails[0].html.contains(QStringLiteral("Lieber Herr Müller2,"))) << mails[0].html.toStdString();
    ASSERT_EQ(mails[0].attachments.size(), 2);
    EXPECT_EQ(mails[0].attachments[0].content, priceList);
    EXPECT_EQ(mails[0].attachments[1].zipped.value(QStringLiteral("Rechnung 2.txt")),
              QByteArray("Rechnung für Kunde 2"));
}

// A missing server as the user meets it on the real form: the question, then
// the account dialog, and a run only once a server was entered.
TEST_F(SendRunWizardTest, MissingServerOnTheForm)
{
    enum class Dialog { NotOpened, Cancelled, ServerEntered };
    // Answers in order: the missing-server question, then the send confirmation
    // or the question on closing with an unsent letter.
    const auto yes = MessageAnswer::Yes;
    const struct
    {
        const char *name;
        QList<MessageAnswer> answers;
        Dialog dialog;
        int delivered;
    } rows[] = {
        {"answered No", {MessageAnswer::No, yes}, Dialog::NotOpened, 0},
        {"Yes, dialog cancelled", {yes, yes}, Dialog::Cancelled, 0},
        {"Yes, server entered", {yes, yes}, Dialog::ServerEntered, 3},
    };
    addCustomers(3);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        SmtpTestServer::Options options;
        options.port = freeFourDigitPort();
        SmtpTestServer server(options);
        ASSERT_TRUE(server.start()) << server.errorText().toStdString();
        configureServer(QString(), server.port());
        platform.messages.clear();
        platform.messageAnswers.clear();
        for (MessageAnswer answer : row.answers)
            platform.messageAnswers.enqueue(answer);
        Dialog met = Dialog::NotOpened;

        operateWizard([&](frmDialogMail &form) {
            // The account dialog, if the run opens it, is answered; the form as
            // context drops the timer when the run never waits.
            QTimer::singleShot(0, &form, [&] {
                auto *dialog = qobject_cast<frmEMailSetup *>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                met = row.dialog;
                dialog->sevServer()->setText(server.host());
                (row.dialog == Dialog::ServerEntered ? dialog->cmdOK() : dialog->cmdCancel())->click();
            });
        });

        server.waitForClosedSessions(server.sessionCount());
        EXPECT_EQ(met, row.dialog);
        ASSERT_EQ(platform.messages.size(), 2);
        EXPECT_EQ(platform.messages[0].text,
                  QStringLiteral("Es ist kein e-Mail Server eingetragen.\r\n\r\nMöchten Sie die Konfiguration "
                                 "der e-Mail Server Einstellung jetzt vornehmen?"));
        EXPECT_EQ(platform.messages[0].caption, QStringLiteral("Systemmeldung..."));
        EXPECT_EQ(platform.messages[0].icon, MessageIcon::Question);
        EXPECT_EQ(platform.messages[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(receivedMails(server).size(), row.delivered);
        EXPECT_EQ(shown[SendLabel::lblOK].toInt(), okBefore.toInt() + row.delivered);
        EXPECT_EQ(shown[SendLabel::lblError], QStringLiteral("0"));
        EXPECT_EQ(shown[SendLabel::lblStatus], row.delivered ? QStringLiteral("Übertragung erfolgreich") : QString());
    }
}

} // namespace

// The check before the question: what it found is listed in the question with
// the recipients concerned, and sending goes on only where it makes sense.
TEST_F(SendRunWizardTest, TheQuestionListsWhatTheCheckFoundAndAMissingAttachmentRefuses)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    addCustomers(4);
    QSqlQuery update(database);
    ASSERT_TRUE(update.exec(QStringLiteral("UPDATE tbKunden SET Firma = '' WHERE KundenNr = 3")));
    ASSERT_TRUE(update.exec(QStringLiteral("UPDATE tbKunden SET EMail = 'KUNDE2@example.org' WHERE KundenNr = 4")));
    const auto mistype = [](frmDialogMail &form) { form.sevBetreff()->setText(QStringLiteral("Für <#KD_Vorname#>")); };
    QStringList lines;
    QStringList firmaRows;
    platform.dialogAnswers.enqueue([&](QDialog &dialog) {
        auto &question = dynamic_cast<SendConfirmationDialog &>(dialog);
        for (int i = 0; i < question.findings()->topLevelItemCount(); ++i)
            lines << question.findings()->topLevelItem(i)->text(0);
        for (int i = 0; i < question.findings()->topLevelItem(1)->childCount(); ++i)
            firmaRows << question.findings()->topLevelItem(1)->child(i)->text(0);
        EXPECT_TRUE(question.question()->text().startsWith(QStringLiteral("3 e-Mails an die ausgewählten Kunden")));
        question.eachAddress()->setChecked(true);
        EXPECT_TRUE(question.question()->text().startsWith(QStringLiteral("4 e-Mails")));
        question.eachAddress()->setChecked(false);
        return int(QDialog::Accepted);
    });
    operateWizard(mistype);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("„<#KD_Vorname#>“ im Betreff ist kein Platzhalter")));
    EXPECT_EQ(lines[1], QStringLiteral("Firma leer bei 1 Empfänger."));
    EXPECT_EQ(firmaRows, QStringList{QStringLiteral("3  Jörg3 Müller3  <kunde3@example.org>")});
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("1 e-Mail-Adresse steht bei 2 Empfängern")));
    ASSERT_TRUE(server.waitForClosedSessions(1));
    EXPECT_EQ(receivedMails(server).size(), 3) << "the shared address once";
    EXPECT_EQ(shown[SendLabel::lblOK], QStringLiteral("3"));

    // An attachment that has gone leaves nothing but "Schließen", and nothing goes out.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("Katalog.bin"))));
    bool refused = false;
    platform.dialogAnswers.enqueue([&](QDialog &dialog) {
        auto &question = dynamic_cast<SendConfirmationDialog &>(dialog);
        refused = question.sendButton() == nullptr &&
            question.findings()->topLevelItem(0)->text(0).startsWith(
                QStringLiteral("Die Anlage „Katalog.bin“ wurde nicht gefunden"));
        return int(QDialog::Rejected);
    });
    platform.messageAnswers << MessageAnswer::Yes; // closing with the letter unsent
    operateWizard();
    EXPECT_TRUE(refused);
    EXPECT_EQ(receivedMails(server).size(), 3);
}

// "Versand anhalten" asks once and ends the run after the current message;
// the wizard then comes back with the mailing, each recipient's own file
// included; a letter changed before finishing (here: the own file now goes as
// ZIP) is named in the question, and only those who still wait get it.
TEST_F(SendRunWizardTest, AResumedMailingComesBackAndNamesAChangedLetter)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    addCustomers(6);
    for (int n = 1; n <= 6; ++n) {
        QFile invoice(dir.filePath(QStringLiteral("Rechnung %1.txt").arg(n)));
        ASSERT_TRUE(invoice.open(QIODevice::WriteOnly) && invoice.write("Rechnung") > 0);
    }
    const PersonalAttachment invoices{dir.path(), QStringLiteral("Rechnung <#KD_NUMMER#>.txt"), false};
    platform.messageAnswers << MessageAnswer::Yes;
    int uploaded = 0;
    operateWizard([&](frmDialogMail &form) {
        form.attachments()->setPersonalAttachment(invoices);
        QObject::connect(&form.mainSMTP(), &SmtpTransport::Progress, &form, [&](qint32 percent) {
            if (percent == 100 && ++uploaded == 2) {
                EXPECT_TRUE(form.sendStatus()->cmdAnhalten()->isVisible());
                form.sendStatus()->cmdAnhalten()->click();
                EXPECT_TRUE(platform.answerOpenQuestion(MessageAnswer::Yes));
            }
        });
    });
    ASSERT_EQ(platform.messages.size(), 2);
    EXPECT_EQ(platform.messages[0].text, QStringLiteral("6 e-Mails an die ausgewählten Kunden über 127.0.0.1 senden?"));
    EXPECT_TRUE(
        platform.messages[1].text.startsWith(QStringLiteral("Den Versand nach der aktuellen e-Mail anhalten?")));
    ASSERT_TRUE(server.waitForClosedSessions(server.sessionCount()));
    const qsizetype before = receivedMails(server).size();
    EXPECT_EQ(before, 2) << "the run ends after the message going out";
    EXPECT_EQ(shown[SendLabel::lblOK].toInt(), okBefore.toInt() + 2);

    QStringList restored;
    QStringList changed;
    platform.dialogAnswers.enqueue([](QDialog &) { return int(QDialog::Accepted); }); // Fortsetzen
    platform.dialogAnswers.enqueue([&](QDialog &dialog) {
        changed << dynamic_cast<SendConfirmationDialog &>(dialog).findings()->topLevelItem(0)->text(0);
        return int(QDialog::Accepted);
    });
    QTimer::singleShot(0, qApp, [&] {
        frmDialogMail &form = mail.internal().wizard();
        restored << QString::number(form.mainWizard()->CurrentPane()) << QString::number(form.sevResult()->rowCount())
                 << form.sevBetreff()->text() << form.attachments()->Attachments().value(1).path
                 << QString::number(form.sevAnlagen()->rowChecked(2))
                 << QString::number(form.mainRtfControl()->Text().contains(QStringLiteral("Grüße aus München")))
                 << QString::number(form.attachments()->personalAttachment() == invoices);
        form.attachments()->setPersonalAttachment({invoices.folder, invoices.pattern, true});
        form.mainWizard()->finishButton()->click();
        form.done(QDialog::Accepted);
    });
    ASSERT_EQ(mail.ShowDialog(), CallStatus::Ok);
    EXPECT_EQ(restored,
              (QStringList{QStringLiteral("2"), QStringLiteral("6"), QStringLiteral("Angebot für <#KD_VORNAME#>"),
                           dir.filePath(QStringLiteral("Katalog.bin")), QStringLiteral("1"), QStringLiteral("1"),
                           QStringLiteral("1")}));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_TRUE(changed[0].startsWith(QStringLiteral("Betreff, Text oder Anlagen wurden seit der Unterbrechung "
                                                     "geändert: die übrigen %1 Empfänger erhalten")
                                          .arg(6 - before)));
    ASSERT_TRUE(server.waitForClosedSessions(server.sessionCount()));
    QSet<QString> addresses;
    for (const ReceivedMail &received : receivedMails(server))
        addresses.insert(received.envelopeRecipient);
    EXPECT_EQ(receivedMails(server).size(), 6) << "nobody twice, nobody missed";
    EXPECT_EQ(addresses.size(), 6);
}

// The question on closing during a run does not hold the run up: messages
// keep going out while it is open. Nein (its default) keeps the window and
// the run; Ja ends the run after its current message and closes.
TEST_F(SendRunWizardTest, ClosingDuringARunAsksWhileTheRunGoesOnAndStopsOnlyOnJa)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    addCustomers(120);
    platform.messageAnswers.enqueue(MessageAnswer::Yes); // "120 e-Mails ... senden?"
    QTimer closer;
    int phase = 0;
    int askedAt = 0;
    bool openAfterNein = false;
    operateWizard([&](frmDialogMail &form) {
        QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
            const int sent = form.sendStatus()->label(SendLabel::lblOK)->text().toInt();
            if (phase == 0 && sent >= 5) {
                form.close();
                askedAt = sent;
                phase = 1;
            } else if (phase == 1 && sent >= askedAt + 10) {
                EXPECT_EQ(platform.messages.last().defaultAnswer, MessageAnswer::No);
                platform.answerOpenQuestion(MessageAnswer::No);
                openAfterNein = form.isVisible();
                phase = 2;
            } else if (phase == 2 && sent >= 40) {
                form.close();
                platform.answerOpenQuestion(MessageAnswer::Yes);
                phase = 3;
            }
        });
        closer.start(1);
    });
    closer.stop();
    ASSERT_EQ(phase, 3) << "the run stopped while the question was open";
    EXPECT_TRUE(openAfterNein);
    const int delivered = int(server.messages().size());
    EXPECT_GE(delivered, 40);
    EXPECT_LT(delivered, 120) << "the run went on after Ja";
    int questions = 0;
    for (const auto &message : platform.messages) {
        questions += message.text.startsWith(QStringLiteral("Der Versand läuft noch."));
        // The letter is on its way, so closing asks about the run and not about a lost letter.
        EXPECT_FALSE(message.text.startsWith(QStringLiteral("Ihre e-Mail wurde noch nicht gesendet.")));
    }
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(shown[SendLabel::lblOK].toInt(), delivered);
    EXPECT_EQ(shown[SendLabel::lblOffen].toInt(), 120 - delivered);
}

// An account signed in through the browser and saved sends with XOAUTH2.
TEST_F(SendRunWizardTest, SignedInAccountSendsWithItsSavedGrant)
{
    OAuthTestServer server(3600);
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(QStringLiteral("127.0.0.1"), server.smtpPort());
    const QString user = QStringLiteral("info@velmora.example");
    for (const auto &[key, value] : {std::pair{"USR", user},
                                     {"OAuth", QStringLiteral("1")},
                                     {"OAuthClientId", QLatin1String(OAuthTestServer::kClientId)},
                                     {"OAuthAuthorizeUrl", server.authorizeUrl()},
                                     {"OAuthTokenUrl", server.tokenUrl()}})
        SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QLatin1String(key), value, mail.ConfigFileName());
    platform.browser = server.browser();
    const OAuthProvider provider{QStringLiteral("Test"),
                                 QUrl(server.authorizeUrl()),
                                 QUrl(server.tokenUrl()),
                                 {},
                                 QLatin1String(OAuthTestServer::kClientId)};
    const std::optional<OAuthTokens> tokens = OAuthSignIn(provider).run(20);
    ASSERT_TRUE(tokens);
    OAuthTokenStore store(settingsTokenFile(mail.ConfigFileName()));
    ASSERT_TRUE(OAuthAccess(provider, store, QStringLiteral("127.0.0.1"), user).adopt(*tokens));
    addCustomers(3);

    platform.messageAnswers.enqueue(MessageAnswer::Yes); // "3 e-Mails ... senden?"
    operateWizard();
    EXPECT_EQ(server.count(QStringLiteral("smtp-message")), 3);
    EXPECT_EQ(shown[SendLabel::lblStatus], QStringLiteral("Übertragung erfolgreich"));
    EXPECT_EQ(server.count(QStringLiteral("smtp-auth ok ") + user), 1) << "one login for the whole run";
}

// The account's own choices reach the run: a relay outside this machine
// without STARTTLS is used only once the account allows it, and a server
// certificate nobody trusts yet is offered to the person before the first
// message. Declining ends the run with nothing sent; trusting stores the
// certificate for this server and the run goes on.
TEST_F(SendRunWizardTest, RelayChoiceAndCertificateExceptionDuringTheRun)
{
    addCustomers(2);
    for (const bool chosen : {false, true}) {
        SCOPED_TRACE(chosen);
        SmtpTestServer relay({.shortPort = true});
        ASSERT_TRUE(relay.start()) << relay.errorText().toStdString();
        configureServer(relay.host(), relay.port());
        SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QStringLiteral("Verschluesselung"),
                                       chosen ? QStringLiteral("0") : QString(), mail.ConfigFileName());
        // Sent, and for the relay not allowed closing with the unsent letter.
        platform.messageAnswers << MessageAnswer::Yes << MessageAnswer::Yes;
        operateWizard([](frmDialogMail &form) { form.mainSMTP().setLoopbackTreatedAsRemote(true); });
        platform.messageAnswers.clear();
        EXPECT_EQ(relay.messages().size(), chosen ? 2 : 0);
    }

    SmtpTestServer server({.startTls = true, .shortPort = true});
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    configureServer(server.host(), server.port());
    QFile pem(server.directory() + QStringLiteral("/server.pem"));
    ASSERT_TRUE(pem.open(QIODevice::ReadOnly));
    const QByteArray sha256 = QSslCertificate(pem.readAll()).digest(QCryptographicHash::Sha256);
    const auto zertifikat = [this] {
        return SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QStringLiteral("Zertifikat"),
                                             mail.ConfigFileName());
    };

    platform.dialogNames.clear();
    // The same letter went out over the relay: to everybody again; sent; closing with the unsent letter.
    platform.messageAnswers << MessageAnswer::No << MessageAnswer::Yes << MessageAnswer::Yes;
    operateWizard(); // the scripted person closes the certificate question unanswered
    EXPECT_EQ(platform.dialogNames.value(0), QStringLiteral("frmCertificateException"));
    EXPECT_EQ(server.messages().size(), 0);
    EXPECT_EQ(shown[SendLabel::lblStatus],
              QStringLiteral("Versand abgebrochen: Dem Zertifikat des Servers „127.0.0.1“ wird nicht vertraut."));
    EXPECT_EQ(shown[SendLabel::lblOK], okBefore);
    EXPECT_TRUE(zertifikat().isEmpty());

    platform.dialogNames.clear();
    // The declined run is offered for continuing when the wizard opens: later; then trusted and sent.
    platform.dialogAnswers.enqueue([](QDialog &) { return int(QDialog::Rejected); });
    platform.dialogAnswers.enqueue([](QDialog &) { return int(QDialog::Accepted); });
    platform.messageAnswers.clear();
    platform.messages.clear();
    platform.messageAnswers << MessageAnswer::Yes;
    operateWizard();
    EXPECT_EQ(platform.dialogNames.value(0), QStringLiteral("frmVersandFortsetzen"));
    EXPECT_EQ(platform.dialogNames.count(QStringLiteral("frmCertificateException")), 1);
    EXPECT_EQ(server.messages().size(), 2);
    EXPECT_EQ(shown[SendLabel::lblStatus], QStringLiteral("Übertragung erfolgreich"));
    const TrustedCertificate pin = TrustedCertificate::fromSetting(zertifikat());
    EXPECT_EQ(pin.sha256(), sha256);
    EXPECT_TRUE(pin.appliesTo(server.host(), server.port()));
}
