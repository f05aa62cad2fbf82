#include "component/settings/MailSettings.h"

#include "component/settings/Blanks.h"
#include "component/settings/PortText.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace OrvVelmora {

namespace {

const char *const kKeys[] = {"Name", "EMail", "Firma", "AntwortAdresse", "Server", "Port", "USR", "PWD"};

QString *textField(SenderSettings &s, int index)
{
    QString *fields[] = {&s.SenderName, &s.SenderAddress, &s.SenderCompany, &s.ReplyToAddress,
                         &s.SmtpServer, nullptr, &s.SmtpUser, &s.SmtpPassword};
    return fields[index];
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
    fillFromCompanyTable();
}

void MailSettings::loadFromFile()
{
    for (int i = 0; i < 8; ++i) {
        const QString text = trimBlanks(
            store().ReadValue(QLatin1String(kSettingsSection), QLatin1String(kKeys[i]), configFileName));
        if (QString *field = textField(m_settings, i))
            *field = QString(text).remove(QStringLiteral("DEF"), Qt::CaseSensitive);
        else
            m_settings.SmtpPort = PortText::toPort(text, m_settings.SmtpPort);
    }
}

void MailSettings::fillFromCompanyTable()
{
    if (!connection.isValid() || !connection.isOpen())
        return;
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM tbFirma;")) || !query.next())
        return;
    const QSqlRecord record = query.record();
    fillIfEmpty(m_settings.SenderName, record, "Firma1");
    fillIfEmpty(m_settings.SenderAddress, record, "EMail");
    fillIfEmpty(m_settings.SenderCompany, record, "Firma1");
    fillIfEmpty(m_settings.ReplyToAddress, record, "EMail");
}

void MailSettings::SaveSettings()
{
    for (int i = 0; i < 8; ++i) {
        const QString *field = textField(m_settings, i);
        const QString value = field ? *field : QString::number(m_settings.SmtpPort);
        store().WriteValue(QLatin1String(kSettingsSection), QLatin1String(kKeys[i]), value, configFileName);
    }
}

QString MailSettings::CAFile()
{
    return trimBlanks(store().ReadValue(QLatin1String(kSettingsSection), QStringLiteral("CAFile"), configFileName));
}

} // namespace OrvVelmora
