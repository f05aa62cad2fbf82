#include "settings/SettingsFileStore.h"

#include "settings/SettingsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

namespace OrvVelmora {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QString settingsKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// QSettings replaces the file through a temporary copy that takes over the
// permissions of the existing file, so creating the file with owner-only
// rights first is enough to keep the password private from then on.
bool prepareFile(const QString &path)
{
    QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QFile file(path);
    if (!info.exists() && !file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    file.close();
    return QFile::setPermissions(path, kOwnerOnly | QFile::ReadUser | QFile::WriteUser);
}

} // namespace

QString SettingsFileStore::defaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/OrvVelmora/velmora.ini");
}

QString SettingsFileStore::resolve(const QString &fileName)
{
    return fileName.isEmpty() ? defaultFileName() : fileName;
}

QString SettingsFileStore::ReadValue(const QString &section, const QString &key, const QString &fileName) const
{
    const QString path = resolve(fileName);
    if (!QFileInfo::exists(path))
        return {};
    QSettings settings(path, QSettings::IniFormat);
    const QVariant value = settings.value(settingsKey(section, key));
    // A hand-edited file may hold an unquoted comma list; give it back as written.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool SettingsFileStore::WriteValue(const QString &section, const QString &key, const QString &value,
                                   const QString &fileName)
{
    const QString path = resolve(fileName);
    if (!prepareFile(path)) {
        qCWarning(lcSettings) << "cannot create" << path << "with owner-only rights";
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(settingsKey(section, key), value);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcSettings) << "cannot write" << key << "to" << path;
        return false;
    }
    return true;
}

QString SettingsFileStore::LocalHostName() const
{
    return QSysInfo::machineHostName();
}

} // namespace OrvVelmora
