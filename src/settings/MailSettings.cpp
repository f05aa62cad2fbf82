#include "settings/MailSettings.h"

#include "base/platform/Keyring.h"
#include "settings/Blanks.h"
#include "settings/PortNumber.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsLog.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace OrvVelmora {

namespace {

// The eight values in the order they are loaded and saved, with their keys.
// The port is the one number; it has no text field.
struct SettingsEntry
{
    const char *key;
    QString SenderSettings::*text;
};

constexpr SettingsEntry kEntries[] = {
    {SettingsKeys::Name, &SenderSettings::SenderName},
    {SettingsKeys::EMail, &SenderSettings::SenderAddress},
    {SettingsKeys::Firma, &SenderSettings::SenderCompany},
    {SettingsKeys::AntwortAdresse, &SenderSettings::ReplyToAddress},
    {SettingsKeys::Server, &SenderSettings::SmtpServer},
    {SettingsKeys::Port, nullptr},
    {SettingsKeys::USR, &SenderSettings::SmtpUser},
    {SettingsKeys::PWD, &SenderSettings::SmtpPassword},
};

// The account options, loaded and saved by the same rules as the eight.
struct OptionEntry
{
    const char *key;
    QString AccountOptions::*text;
};

constexpr OptionEntry kOptions[] = {
    {SettingsKeys::OAuth, &AccountOptions::OAuth},
    {SettingsKeys::OAuthClientId, &AccountOptions::OAuthClientId},
    {SettingsKeys::OAuthTenant, &AccountOptions::OAuthTenant},
    {SettingsKeys::Zertifikat, &AccountOptions::Zertifikat},
    {SettingsKeys::Verschluesselung, &AccountOptions::Verschluesselung},
};

const QString kSection = QLatin1String(SettingsKeys::Section);

QString settingText(const QString &stored)
{
    return QString(trimBlanks(stored)).remove(QStringLiteral("DEF"), Qt::CaseSensitive);
}

// Takes a column of the first tbFirma record into a field that is exactly empty.
void fillIfEmpty(QString &field, const QSqlRecord &record, const char *column)
{
    const int index = record.indexOf(QLatin1String(column));
    if (field.isEmpty() && index >= 0)
        field = record.isNull(index) ? QString() : record.value(index).toString();
}

} // namespace

MailSettings::MailSettings()
    : color(std::make_shared<ColorScheme>())
{
}

MailSettings::~MailSettings() = default;

SettingsFileStore &MailSettings::store()
{
    if (!m_store)
        m_store = std::make_unique<SettingsFileStore>();
    return *m_store;
}

void MailSettings::LoadSettings()
{
    loadFromFile();
    loadOptionsFromFile();
    loadPasswordFromKeyring();
    fillFromCompanyTable();
}

bool MailSettings::passwordStaysInFile()
{
    return readOnlyKey(SettingsKeys::KennwortInDatei) == QLatin1String("1");
}

// One password per account: the server and the user it logs in as.
QString MailSettings::passwordKey() const
{
    return QStringLiteral("smtp:") + m_settings.SmtpUser + QLatin1Char('@') + m_settings.SmtpServer.toLower();
}

void MailSettings::loadPasswordFromKeyring()
{
    if (!m_settings.SmtpPassword.isEmpty() || passwordStaysInFile())
        return;
    const Keyring::Answer answer = Keyring::read(passwordKey());
    if (answer.outcome == Keyring::Outcome::Done)
        m_settings.SmtpPassword = answer.text;
}

MailSettings::PasswordPlace MailSettings::savePassword()
{
    if (passwordStaysInFile())
        return PasswordPlace::SettingsFile;
    const Keyring::Outcome outcome = m_settings.SmtpPassword.isEmpty()
        ? Keyring::remove(passwordKey())
        : Keyring::write(passwordKey(), m_settings.SmtpPassword);
    if (outcome == Keyring::Outcome::NoKeyring)
        return PasswordPlace::SettingsFile;
    if (outcome != Keyring::Outcome::Done) {
        qCWarning(lcSettings) << "the keyring did not take the password; the file keeps what it had";
        return PasswordPlace::NotSaved;
    }
    return PasswordPlace::Keyring;
}

void MailSettings::loadFromFile()
{
    for (const SettingsEntry &entry : kEntries) {
        const QString text = trimBlanks(store().ReadValue(kSection, QLatin1String(entry.key), configFileName));
        if (entry.text)
            m_settings.*entry.text = settingText(text);
        else
            m_settings.SmtpPort = portFromSettings(text, m_settings.SmtpPort);
    }
}

void MailSettings::loadOptionsFromFile()
{
    for (const OptionEntry &entry : kOptions)
        m_options.*entry.text = settingText(store().ReadValue(kSection, QLatin1String(entry.key), configFileName));
    // Files from before grants named their server hold a bare "0", given for
    // the server saved beside it; from now on it applies to that one only.
    if (m_options.Verschluesselung == QLatin1String("0"))
        m_options.Verschluesselung = AccountOptions::relayGrant(m_settings.SmtpServer, m_settings.SmtpPort);
}

IniText::Values MailSettings::optionValues()
{
    IniText::Values values;
    for (const OptionEntry &entry : kOptions) {
        const QString &value = m_options.*entry.text;
        if (!value.isEmpty() || !store().ReadValue(kSection, QLatin1String(entry.key), configFileName).isEmpty())
            values.append({QLatin1String(entry.key), value});
    }
    return values;
}

void MailSettings::trustCertificate(const QString &zertifikat)
{
    m_options.Zertifikat = zertifikat;
    store().WriteValue(kSection, QLatin1String(SettingsKeys::Zertifikat), zertifikat, configFileName);
}

void MailSettings::fillFromCompanyTable()
{
    if (!connection.isValid() || !connection.isOpen()) {
        qCDebug(lcSettings) << "no open connection; sender fields are not filled from tbFirma";
        return;
    }
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM tbFirma;"))) {
        qCWarning(lcSettings) << "tbFirma cannot be read:" << query.lastError().text();
        return;
    }
    if (!query.next())
        return;
    const QSqlRecord record = query.record();
    fillIfEmpty(m_settings.SenderName, record, "Firma1");
    fillIfEmpty(m_settings.SenderAddress, record, "EMail");
    fillIfEmpty(m_settings.SenderCompany, record, "Firma1");
    fillIfEmpty(m_settings.ReplyToAddress, record, "EMail");
}

void MailSettings::SaveSettings()
{
    m_passwordPlace = savePassword();
    IniText::Values values;
    for (const SettingsEntry &entry : kEntries) {
        const QString value = entry.text ? m_settings.*entry.text : QString::number(m_settings.SmtpPort);
        if (entry.text != &SenderSettings::SmtpPassword || m_passwordPlace == PasswordPlace::SettingsFile)
            values.append({QLatin1String(entry.key), value});
    }
    values += optionValues();
    const QStringList removed =
        m_passwordPlace == PasswordPlace::Keyring ? QStringList{QLatin1String(SettingsKeys::PWD)} : QStringList();
    const bool hadPassword = !store().ReadValue(kSection, QLatin1String(SettingsKeys::PWD), configFileName).isEmpty();
    // One write: a crash or a full disk leaves the file as it was, never half saved.
    const bool written = store().WriteValues(kSection, values, configFileName, removed);
    m_passwordNewlyInFile = written && m_passwordPlace == PasswordPlace::SettingsFile &&
        !m_settings.SmtpPassword.isEmpty() && !hadPassword && !passwordStaysInFile();
}

QString MailSettings::CAFile()
{
    return readOnlyKey(SettingsKeys::CAFile);
}

QString MailSettings::readOnlyKey(const char *key)
{
    return trimBlanks(store().ReadValue(kSection, QLatin1String(key), configFileName));
}

} // namespace OrvVelmora
