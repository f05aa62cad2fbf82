#include "settings/MailSettings.h"
#include "settings/PortNumber.h"
#include "settings/SettingsFileStore.h"
#include "settings/TrustedCertificate.h"

#include <QSettings>

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

class SenderSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { mail.configFileName = dir.filePath(QStringLiteral("velmora.ini")); }
    void TearDown() override
    {
        mail.connection = QSqlDatabase();
        db = QSqlDatabase();
        if (QSqlDatabase::contains(QStringLiteral("settings-test")))
            QSqlDatabase::removeDatabase(QStringLiteral("settings-test"));
    }

    void store(const char *key, const QString &value)
    {
        SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QLatin1String(key), value, mail.configFileName);
    }

    // A company table as hosts have it; rows are (Firma1, EMail), a null QVariant is NULL.
    void companyTable(const QList<QPair<QVariant, QVariant>> &rows)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("settings-test"));
        db.setDatabaseName(dir.filePath(QStringLiteral("host.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE tbFirma (ID INTEGER PRIMARY KEY, Firma1 TEXT, EMail TEXT)")));
        for (const auto &row : rows) {
            q.prepare(QStringLiteral("INSERT INTO tbFirma (Firma1, EMail) VALUES (?, ?)"));
            q.addBindValue(row.first);
            q.addBindValue(row.second);
            ASSERT_TRUE(q.exec());
        }
        mail.connection = db;
    }

    MailSettings &settings() { return mail; }

    QTemporaryDir dir;
    MailSettings mail;
    QSqlDatabase db;
};

TEST_F(SenderSettingsTest, BlanksAreTrimmedAndCapitalDefIsRemovedEverywhereButPort)
{
    store("Server", QStringLiteral("  smtp.example.org  "));
    store("Name", QStringLiteral("\tABDEFGH DEF defDEF "));
    store("USR", QStringLiteral("DEF"));
    store("PWD", QStringLiteral(" Pass wört "));
    store("Firma", QStringLiteral("DDEFEF"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SmtpServer(), QStringLiteral("smtp.example.org"));
    EXPECT_EQ(settings().SenderName(), QStringLiteral("\tABGH  def")); // only U+0020 is trimmed
    EXPECT_EQ(settings().SmtpUser(), QString());
    EXPECT_EQ(settings().SmtpPassword(), QStringLiteral("Pass wört"));
    EXPECT_EQ(settings().SenderCompany(), QStringLiteral("DEF")); // one pass, left to right
}

TEST_F(SenderSettingsTest, PortTextRules)
{
    const struct
    {
        const char *name;
        QString text;
        qint32 expected;
    } rows[] = {
        {"digits", QStringLiteral("587"), 587},
        {"blanks", QStringLiteral("  465 "), 465},
        {"empty", QString(), 25},
        {"def", QStringLiteral("DEF"), 25},
        {"defInsideDigitsIsNotRemoved", QStringLiteral("5DEF87"), 25},
        {"letters", QStringLiteral("abc"), 25},
        {"digitsThenLetters", QStringLiteral("25x"), 25},
        {"halfToEven", QStringLiteral("24.5"), 24},
        {"negative", QStringLiteral("-1"), -1},
        {"tooLarge", QStringLiteral("99999999999"), 1234},
        {"maxInt", QStringLiteral("2147483647"), 2147483647},
    };
    for (const auto &row : rows) {
        settings().setSmtpPort(1234);
        store("Port", row.text);
        settings().LoadSettings();
        EXPECT_EQ(settings().SmtpPort(), row.expected) << row.name;
    }
}

TEST_F(SenderSettingsTest, EmptySenderFieldsComeFromCompanyTable)
{
    companyTable({{QStringLiteral(" Muster GmbH "), QStringLiteral("info@muster.de")},
                  {QStringLiteral("Zweite"), QStringLiteral("zwei@x.de")}});
    store("EMail", QStringLiteral("chef@muster.de"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SenderName(), QStringLiteral(" Muster GmbH ")); // database values are not trimmed
    EXPECT_EQ(settings().SenderCompany(), QStringLiteral(" Muster GmbH "));
    EXPECT_EQ(settings().SenderAddress(), QStringLiteral("chef@muster.de"));
    EXPECT_EQ(settings().ReplyToAddress(), QStringLiteral("info@muster.de"));
}

TEST_F(SenderSettingsTest, CompanyTableFallbackToleratesAbsence)
{
    // empty table
    companyTable({});
    settings().LoadSettings();
    EXPECT_EQ(settings().SenderName(), QString());
    // NULL values leave the fields empty
    QSqlQuery(db).exec(QStringLiteral("INSERT INTO tbFirma (Firma1, EMail) VALUES (NULL, NULL)"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SenderName(), QString());
    EXPECT_EQ(settings().ReplyToAddress(), QString());
    // missing table: file values still load
    QSqlQuery(db).exec(QStringLiteral("DROP TABLE tbFirma"));
    store("Server", QStringLiteral("mail.example.org"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SmtpServer(), QStringLiteral("mail.example.org"));
    // closed connection
    db.close();
    store("Name", QStringLiteral("Ohne DB"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SenderName(), QStringLiteral("Ohne DB"));
}

TEST_F(SenderSettingsTest, SaveThenLoadRoundTrip)
{
    companyTable({{QStringLiteral("Firma aus DB"), QStringLiteral("db@firma.de")}});
    settings().setSenderName(QStringLiteral("Jürgen Müller"));
    settings().setSenderAddress(QStringLiteral("j@m.de"));
    settings().setSenderCompany(QStringLiteral("DEFekt AG"));
    settings().setReplyToAddress(QString());
    settings().setSmtpServer(QStringLiteral("smtp.m.de"));
    settings().setSmtpPort(587);
    settings().setSmtpUser(QStringLiteral("jm"));
    settings().setSmtpPassword(QStringLiteral("ein ganz; geheimes=Passwört\\"));
    const SenderSettings saved = settings().settings();
    settings().SaveSettings();

    MailSettings other;
    other.configFileName = mail.configFileName;
    other.connection = db;
    other.LoadSettings();
    SenderSettings expected = saved;
    expected.SenderCompany = QStringLiteral("ekt AG");
    expected.ReplyToAddress = QStringLiteral("db@firma.de");
    EXPECT_EQ(other.settings(), expected);
}

TEST_F(SenderSettingsTest, CertificateAuthorityFileIsReadButNeverSaved)
{
    store("CAFile", QStringLiteral(" /etc/velmora/firmen-ca.pem "));
    EXPECT_EQ(settings().CAFile(), QStringLiteral("/etc/velmora/firmen-ca.pem"));
    settings().SaveSettings();
    EXPECT_EQ(settings().CAFile(), QStringLiteral("/etc/velmora/firmen-ca.pem"));
}

TEST_F(SenderSettingsTest, AccountOptionsFollowTheSameRulesAndOnlyKeysInUseAreWritten)
{
    store("OAuth", QStringLiteral(" 1 "));
    store("OAuthClientId", QStringLiteral("DEF0a1b-c2d3"));
    store("Zertifikat", QStringLiteral("mail.buero.lan  ab12"));
    settings().LoadSettings();
    EXPECT_TRUE(settings().accountOptions().oauthRequested());
    EXPECT_EQ(settings().accountOptions().OAuthClientId, QStringLiteral("0a1b-c2d3"));
    EXPECT_EQ(settings().accountOptions().Zertifikat, QStringLiteral("mail.buero.lan  ab12"));

    AccountOptions changed = settings().accountOptions();
    changed.OAuth.clear();
    changed.Verschluesselung = AccountOptions::relayGrant(QStringLiteral("relay.lan"), 25);
    settings().setAccountOptions(changed);
    settings().SaveSettings();
    {
        QSettings file(mail.configFileName, QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Velmora"));
        EXPECT_EQ(file.value(QStringLiteral("OAuth")).toString(), QString()) << "a key in use is emptied";
        EXPECT_EQ(file.value(QStringLiteral("Verschluesselung")).toString(), QStringLiteral("0 relay.lan:25"));
        EXPECT_FALSE(file.contains(QStringLiteral("OAuthTenant"))) << "an unused key is not added";
    }

    // A certificate trusted during a send run is written alone: values changed
    // in memory but never saved stay as the file has them.
    settings().setSmtpPassword(QStringLiteral("nicht gespeichert"));
    settings().trustCertificate(QStringLiteral("mail.buero.lan cd34"));
    QSettings file(mail.configFileName, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Velmora"));
    EXPECT_EQ(file.value(QStringLiteral("Zertifikat")).toString(), QStringLiteral("mail.buero.lan cd34"));
    EXPECT_EQ(file.value(QStringLiteral("PWD")).toString(), QString());
}

// A pin answers for one server and port and for the complaints the user saw;
// values from before ports and complaints were kept still hold for their server.
TEST(TrustedCertificateSetting, AppliesToItsServerAndPortWithTheComplaintsItNames)
{
    const QString hex = QStringLiteral("00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff");
    const TrustedCertificate old = TrustedCertificate::fromSetting(QStringLiteral(" Mail.Buero.LAN ") + hex);
    EXPECT_EQ(old.sha256(), QByteArray::fromHex(hex.toLatin1()));
    EXPECT_TRUE(old.appliesTo(QStringLiteral("MAIL.buero.lan"), 587) && !old.appliesTo(QStringLiteral("smtp"), 25));
    EXPECT_EQ(old.acceptedErrors().size(), 7) << "the three trustable faults, no other";

    const TrustedCertificate pin =
        TrustedCertificate::fromSetting(QStringLiteral("mail.buero.lan:587 ") + hex + QStringLiteral(" self-signed"));
    EXPECT_TRUE(pin.appliesTo(QStringLiteral("mail.buero.lan"), 587) && !pin.appliesTo(QStringLiteral("mail"), 25));
    EXPECT_EQ(pin.acceptedErrors(),
              QList<QSslError::SslError>({QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain}));
    EXPECT_EQ(pin.settingText(), QStringLiteral("mail.buero.lan:587 ") + hex + QStringLiteral(" self-signed"));

    for (const QString &bad :
         {hex, QStringLiteral("mail.buero.lan ") + hex.left(62),
          QStringLiteral("mail.buero.lan ") + QString(hex).replace(QLatin1Char('f'), QLatin1Char('g')),
          QStringLiteral("mail.buero.lan:25 ") + hex + QStringLiteral(" host x")})
        EXPECT_FALSE(TrustedCertificate::fromSetting(bad).isValid()) << bad.toStdString();
}

// A relay allowed without encryption was allowed for one server; an older file
// says only "0", which meant the server saved beside it.
TEST_F(SenderSettingsTest, UnencryptedRelayHoldsOnlyForTheServerItWasGrantedFor)
{
    store("Server", QStringLiteral("relay.buero.lan"));
    store("Port", QStringLiteral("25"));
    store("Verschluesselung", QStringLiteral("0"));
    settings().LoadSettings();
    const AccountOptions &options = settings().accountOptions();
    EXPECT_EQ(options.Verschluesselung, QStringLiteral("0 relay.buero.lan:25"));
    EXPECT_TRUE(options.unencryptedAllowed(QStringLiteral("Relay.Buero.lan"), 25, QString()));
    EXPECT_FALSE(options.unencryptedAllowed(QStringLiteral("smtp.anderswo.de"), 25, QString()) ||
                 options.unencryptedAllowed(QStringLiteral("relay.buero.lan"), 2525, QString()) ||
                 options.unencryptedAllowed(QStringLiteral("relay.buero.lan"), 25, QStringLiteral("anna")));
}

// Where a keyring answers, the password lives there: one found in the file is
// used and moved at the next save, and "PWD" leaves the file; a host that
// needs it in the file says so with KennwortInDatei. Runs in the keyring
// session only; without one the file keeps the password as the tests above show.
TEST_F(SenderSettingsTest, PasswordMovesIntoTheKeyringUnlessTheFileMustKeepIt)
{
    if (!qEnvironmentVariableIsSet("VELMORA_TEST_KEYRING"))
        GTEST_SKIP() << "needs the private keyring session of with_keyring.sh";
    const auto fileHas = [this](const char *key) {
        QSettings file(mail.configFileName, QSettings::IniFormat);
        return file.contains(QStringLiteral("Velmora/") + QLatin1String(key));
    };
    store("Server", QStringLiteral("mail.buero.lan"));
    store("USR", QStringLiteral("anna"));
    store("PWD", QStringLiteral("alt"));
    settings().LoadSettings();
    EXPECT_EQ(settings().SmtpPassword(), QStringLiteral("alt"));
    settings().SaveSettings();
    EXPECT_EQ(settings().passwordPlace(), MailSettings::PasswordPlace::Keyring);
    EXPECT_TRUE(fileHas("USR") && !fileHas("PWD"));
    settings().setSmtpPassword(QStringLiteral(" alt geheim ")); // kept exactly, blanks included
    settings().SaveSettings();

    MailSettings later;
    later.configFileName = mail.configFileName;
    later.LoadSettings();
    EXPECT_EQ(later.SmtpPassword(), QStringLiteral(" alt geheim "));

    store("KennwortInDatei", QStringLiteral("1"));
    later.setSmtpPassword(QStringLiteral("neu"));
    later.SaveSettings();
    EXPECT_EQ(later.passwordPlace(), MailSettings::PasswordPlace::SettingsFile);
    EXPECT_EQ(SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QStringLiteral("PWD"), mail.configFileName),
              QStringLiteral("neu"));
}

TEST(PortFromSettings, OutOfRangeKeepsCurrentValue)
{
    EXPECT_EQ(portFromSettings(QStringLiteral("-2147483649"), 7), 7);
    EXPECT_EQ(portFromSettings(QStringLiteral("-2147483648"), 7), -2147483647 - 1);
    EXPECT_EQ(portFromSettings(QStringLiteral("inf"), 7), 25);
}

} // namespace
