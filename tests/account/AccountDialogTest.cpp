#include "AccountTestKit.h"

#include "account/frmEMailSetup.h"
#include "controls/wizardframe/LabelledField.h"
#include "settings/ConversionError.h"
#include "settings/PortNumber.h"
#include "settings/SettingsFileStore.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;
using namespace Qt::Literals::StringLiterals;

namespace {

using Fields = QMap<QString, QString>;

const QString kPortRange = QStringLiteral("Im Feld „Server Port“ ist nur eine Zahl von 1 bis 65535 möglich.");

void type(frmEMailSetup &dialog, const Fields &fields)
{
    for (auto it = fields.begin(); it != fields.end(); ++it)
        dialog.findChild<LabelledField *>(it.key())->setText(it.value());
}

// The eight settings in key order, as the settings hold them.
QStringList held(MailSettings &mail)
{
    const MailSettings &s = mail;
    return {s.SenderName(),     s.SenderAddress(), s.SenderCompany(),
            s.ReplyToAddress(), s.SmtpServer(),    QString::number(s.SmtpPort()),
            s.SmtpUser(),       s.SmtpPassword()};
}

QStringList written(const QString &file)
{
    QStringList values;
    for (const char *key : {"Name", "EMail", "Firma", "AntwortAdresse", "Server", "Port", "USR", "PWD"})
        values << SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QLatin1String(key), file);
    return values;
}

} // namespace

class AccountDialog : public AccountFixture
{
};

TEST_F(AccountDialog, OpensWithTheOwnersSettingsAndMasksThePassword)
{
    frmEMailSetup dialog(&mail);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Einstellungen"));
    const QStringList shown{dialog.sevName()->Text(),           dialog.sevEMail()->Text(),   dialog.sevFirma()->Text(),
                            dialog.sevAntwortAdresse()->Text(), dialog.sevServer()->Text(),  dialog.sevPort()->Text(),
                            dialog.sevUserName()->Text(),       dialog.sevKennwort()->Text()};
    EXPECT_EQ(shown, held(mail));

    QLineEdit *password = dialog.sevKennwort()->lineEdit();
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password), int('*'));

    dialog.sevPort()->setText(QString());
    QTest::keyClicks(dialog.sevPort()->lineEdit(), QStringLiteral("1a2 3-45"));
    EXPECT_EQ(dialog.sevPort()->Text(), QStringLiteral("12345")) << "digits only, five at most";
    dialog.sevPort()->setText(QString());
    QTest::keyClicks(dialog.sevPort()->lineEdit(), QStringLiteral("252500"));
    EXPECT_EQ(dialog.sevPort()->Text(), QStringLiteral("25250")) << "a fifth digit is never cut to another port";
    EXPECT_LT(dialog.sevKennwort()->LabelWidth(), dialog.sevUserName()->LabelWidth());

    frmEMailSetup ownerless(nullptr);
    EXPECT_EQ(ownerless.sevPort()->Text(), QStringLiteral("25")) << "the designed port";
    EXPECT_EQ(ownerless.sevName()->Text(), QString());
}

// The field's four characters limit typing; a port from the settings file shows
// whole, and saving does not cut it.
TEST_F(AccountDialog, AStoredFiveDigitPortShowsAndIsSavedInFull)
{
    mail.setSmtpPort(10025);
    frmEMailSetup dialog(&mail);
    EXPECT_EQ(dialog.sevPort()->Text(), QStringLiteral("10025"));
    dialog.Save();
    EXPECT_EQ(mail.SmtpPort(), 10025);
    EXPECT_EQ(SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QStringLiteral("Port"), mail.configFileName),
              QStringLiteral("10025"));
}

TEST_F(AccountDialog, OpensWithTheFocusOnTheFirstEmptyField)
{
    const struct
    {
        const char *name;
        std::function<void(MailSettings &)> empty;
        const char *focus; // nullptr: wherever the dialog itself puts it
    } cases[] = {
        {"complete", [](MailSettings &) {}, nullptr},
        {"no server", [](MailSettings &s) { s.setSmtpServer(QString()); }, "sevServerText"},
        {"nothing yet",
         [](MailSettings &s) {
             s.setSenderName(QString());
             s.setSmtpServer(QString());
         },
         "sevNameText"},
        {"no user", [](MailSettings &s) { s.setSmtpUser(QStringLiteral("  ")); }, "sevUserNameText"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp(); // the complete settings again
        c.empty(mail);
        frmEMailSetup dialog(&mail);
        QString focused;
        QTimer::singleShot(0, &dialog, [&] {
            focused = dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
            dialog.cmdCancel()->click();
        });
        dialog.showModal();
        if (c.focus) {
            EXPECT_EQ(focused, QLatin1String(c.focus));
        } else {
            EXPECT_FALSE(focused.endsWith(QLatin1String("Text"))) << focused.toStdString();
        }
    }
}

TEST_F(AccountDialog, RefusesASaveWithOneMessageAndFocusOnTheField)
{
    const struct
    {
        const char *name;
        Fields fields;
        QString message;
        const char *focusField;
    } cases[] = {
        {"blank address and empty server: the address is named first",
         {{u"sevEMail"_s, u"   "_s}, {u"sevServer"_s, QString()}},
         QStringLiteral("Sie müssen eine gültige e-Mail Adresse eingeben."),
         "sevEMail"},
        {"blank server",
         {{u"sevEMail"_s, u"neu@example.org"_s}, {u"sevServer"_s, u"  "_s}},
         QStringLiteral("Sie müssen einen Postausgangsserver eingeben."),
         "sevServer"},
        {"port 0", {{u"sevPort"_s, u"0"_s}}, kPortRange, "sevPort"},
        {"port above 65535", {{u"sevPort"_s, u"70000"_s}}, kPortRange, "sevPort"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        platform.messages.clear();
        const QStringList before = held(mail);
        frmEMailSetup dialog(&mail);
        type(dialog, c.fields);
        dialog.Save();
        ASSERT_EQ(platform.messages.size(), 1);
        EXPECT_EQ(platform.messages[0].text, c.message);
        EXPECT_EQ(platform.messages[0].caption, QStringLiteral("Systemmeldung..."));
        EXPECT_EQ(platform.messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(platform.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(dialog.focusWidget(), dialog.findChild<LabelledField *>(QLatin1String(c.focusField))->lineEdit());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(held(mail), before);
        EXPECT_FALSE(QFile::exists(mail.configFileName));
    }
}

TEST_F(AccountDialog, StoresTrimmedFieldsAndWritesTheSettingsFile)
{
    const struct
    {
        const char *name;
        Fields fields;
        const char *stored; // '|'-separated in key order: Name, EMail, Firma, Antwort, Server, Port, USR, PWD
    } cases[] = {
        {"a single letter counts as an address",
         {{u"sevEMail"_s, u"x"_s}},
         "Anna Alt|x|Alt GmbH|antwort@alt.example|smtp.alt.example|587|anna| alt geheim "},
        {"blanks trimmed except in the password",
         {{u"sevName"_s, u"  Bea Neu "_s},
          {u"sevEMail"_s, u" bea@neu.example "_s},
          {u"sevServer"_s, u" mail.neu.example "_s},
          {u"sevUserName"_s, u"  bea  "_s},
          {u"sevKennwort"_s, u"  pass wort  "_s},
          {u"sevPort"_s, u" 465"_s}},
         "Bea Neu|bea@neu.example|Alt GmbH|antwort@alt.example|mail.neu.example|465|bea|  pass wort  "},
        {"server and address only: the rest saved empty",
         {{u"sevName"_s, QString()},
          {u"sevEMail"_s, u"c@d.e"_s},
          {u"sevFirma"_s, QString()},
          {u"sevAntwortAdresse"_s, QString()},
          {u"sevServer"_s, u"s"_s},
          {u"sevUserName"_s, QString()},
          {u"sevKennwort"_s, QString()}},
         "|c@d.e|||s|587||"},
        {"letters in the port keep the stored port",
         {{u"sevPort"_s, u"abc"_s}},
         "Anna Alt|anna@alt.example|Alt GmbH|antwort@alt.example|smtp.alt.example|587|anna| alt geheim "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        QFile::remove(mail.configFileName);
        platform.messages.clear();
        frmEMailSetup dialog(&mail);
        type(dialog, c.fields);
        dialog.Save();
        // Only the notice that the password is kept in the file (this file is new each time).
        for (const auto &message : platform.messages)
            EXPECT_TRUE(message.text.startsWith(QStringLiteral("Auf diesem Rechner"))) << message.text.toStdString();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const QStringList stored = QString::fromUtf8(c.stored).split(QLatin1Char('|'));
        EXPECT_EQ(held(mail), stored);
        EXPECT_EQ(written(mail.configFileName), stored);
    }
}

// Without a keyring the password goes into the settings file; the person is
// told so when it first does, not at every save.
TEST_F(AccountDialog, WithoutAKeyringThePasswordGoesIntoTheFileAndTheDialogSaysSoOnce)
{
    QFile::remove(mail.configFileName);
    for (int save = 0; save < 2; ++save) {
        frmEMailSetup dialog(&mail);
        type(dialog, {{u"sevKennwort"_s, u"geheim"_s}});
        dialog.Save();
    }
    ASSERT_EQ(platform.messages.size(), 1);
    EXPECT_EQ(platform.messages[0].text,
              QStringLiteral("Auf diesem Rechner steht kein Schlüsselbund zur Verfügung. "
                             "Das Kennwort wird deshalb in der Einstellungsdatei "
                             "gespeichert, die nur Sie lesen können."));
    EXPECT_EQ(written(mail.configFileName).value(7), QStringLiteral("geheim"));
}

TEST_F(AccountDialog, CancelStoresNothing)
{
    const QStringList before = held(mail);
    frmEMailSetup dialog(&mail);
    type(dialog, {{u"sevName"_s, u"Geändert"_s}, {u"sevServer"_s, u"anders.example"_s}, {u"sevPort"_s, u"99"_s}});
    QTest::mouseClick(dialog.cmdCancel(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(held(mail), before);
    EXPECT_FALSE(QFile::exists(mail.configFileName));
}

// Enter, from the main keyboard or the keypad, goes on to the next field and
// never saves; Esc closes at once when nothing changed and asks otherwise.
TEST_F(AccountDialog, EnterMovesOnAndEscAsksBeforeChangesAreLost)
{
    const QStringList before = held(mail);
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(enter == Qt::Key_Return ? "Return" : "keypad Enter");
        const Qt::KeyboardModifiers pad = enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        frmEMailSetup dialog(&mail);
        dialog.show();
        QTest::keyClick(dialog.sevName()->lineEdit(), enter, pad);
        EXPECT_EQ(dialog.focusWidget(), dialog.sevEMail()->lineEdit());
        dialog.sevServer()->setText(QStringLiteral("neu.example"));
        QTest::keyClick(dialog.sevServer()->lineEdit(), enter, pad);
        EXPECT_EQ(dialog.focusWidget(), dialog.sevPort()->lineEdit());
        QTest::keyClick(dialog.sevKennwort()->lineEdit(), enter, pad);
        EXPECT_TRUE(dialog.isVisible()) << "Enter in the last field saves nothing either";
        EXPECT_EQ(held(mail), before);

        platform.messages.clear();
        platform.messageAnswers.enqueue(ScriptedPlatformServices::PressEnter);
        QTest::keyClick(dialog.sevPort()->lineEdit(), Qt::Key_Escape);
        ASSERT_EQ(platform.messages.size(), 1);
        EXPECT_EQ(platform.messages[0].actions,
                  (QStringList{QStringLiteral("Verwerfen"), QStringLiteral("Weiter bearbeiten")}));
        EXPECT_TRUE(dialog.isVisible()) << "Enter on the question keeps editing";
        platform.messageAnswers.enqueue(MessageAnswer::Yes);
        QTest::keyClick(dialog.sevPort()->lineEdit(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(held(mail), before);
    }
    frmEMailSetup untouched(&mail);
    untouched.show();
    platform.messages.clear();
    QTest::keyClick(untouched.sevName()->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(untouched.isVisible());
    EXPECT_TRUE(platform.messages.isEmpty()) << "nothing to lose, nothing to ask";
}

TEST(PortConversion, ConvertsNumbersAndNamesWhatIsNot)
{
    const struct
    {
        const char *text;
        qint32 value;
        int error;
    } cases[] = {
        {"25", 25, 0}, {" 587 ", 587, 0}, {"2,5", 2, 0},  {"3.5", 4, 0},  {"-1", -1, 0},
        {"", 0, 13},   {"abc", 0, 13},    {"25x", 0, 13}, {"1e10", 0, 6}, {"-3000000000", 0, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        try {
            EXPECT_EQ(portFromText(QString::fromUtf8(c.text)), c.value);
            EXPECT_EQ(c.error, 0);
        } catch (const ConversionError &e) {
            EXPECT_EQ(e.number(), c.error);
            EXPECT_EQ(e.description(),
                      c.error == 13 ? QStringLiteral("Typen unverträglich") : QStringLiteral("Überlauf"));
        }
    }
}
