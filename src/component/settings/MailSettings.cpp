#include "component/settings/MailSettings.h"

#include "component/settings/Blanks.h"
#include "component/settings/PortNumber.h"
#include "component/settings/SettingsKeys.h"
#include "outside/platform/Logging.h"

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

const QString kSection = QLatin1String(SettingsKeys::Section);

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
    fillFromCompanyTable();
}

void MailSettings::loadFromFile()
{
    for (const SettingsEntry &entry : kEntries) {
        const QString text = trimBlanks(store().ReadValue(kSection, QLatin1String(entry.key), configFileName));
        if (entry.text)
            m_settings.*entry.text = QString(text).remove(QStringLiteral("DEF"), Qt::CaseSensitive);
        else
            m_settings.SmtpPort = portFromSettings(text, m_settings.SmtpPort);
    }
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
    for (const SettingsEntry &entry : kEntries) {
        const QString value = entry.text ? m_settings.*entry.text : QString::number(m_settings.SmtpPort);
        // A value that cannot be written is skipped (the store logs why); the others are still tried.
        store().WriteValue(kSection, QLatin1String(entry.key), value, configFileName);
    }
}

QString MailSettings::CAFile()
{
    return trimBlanks(store().ReadValue(kSection, QLatin1String(SettingsKeys::CAFile), configFileName));
}

} // namespace OrvVelmora
