#include "settings/SettingsFileStore.h"

#include "settings/SettingsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

#include <optional>

namespace OrvVelmora {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

QString settingsKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// What the file holds now (nothing when there is none yet); a file that
// exists but cannot be read is never overwritten with our values alone.
std::optional<QByteArray> currentText(const QString &path)
{
    QFile current(path);
    if (!current.exists())
        return QByteArray();
    if (!current.open(QIODevice::ReadOnly)) {
        qCWarning(lcSettings) << "cannot read" << path << current.errorString();
        return std::nullopt;
    }
    return current.readAll();
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
    return WriteValues(section, {{key, value}}, fileName);
}

bool SettingsFileStore::WriteValues(const QString &section, const IniText::Values &values, const QString &fileName,
                                    const QStringList &removed)
{
    const QString path = resolve(fileName);
    if (!IniText::plainKeys(values)) {
        qCWarning(lcSettings) << "refusing keys that are not plain names in" << path;
        return false;
    }
    const std::optional<QByteArray> text = currentText(path);
    if (!text)
        return false;
    QSaveFile file(path);
    // The temporary file is owner-only before the first byte goes in.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(kOwnerOnly) || file.write(IniText::withValues(*text, section, values, removed)) < 0 ||
        !file.commit()) {
        qCWarning(lcSettings) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

QString SettingsFileStore::LocalHostName() const
{
    return QSysInfo::machineHostName();
}

} // namespace OrvVelmora
