#pragma once

#include "settings/IniText.h"

#include <QString>

namespace OrvVelmora {

/// Section/key/value store over INI files (UTF-8, QSettings' INI dialect).
///
/// Every call names the file it works on, so the caller may switch files at any
/// time. An empty file name means the per-user default file
/// $XDG_CONFIG_HOME/OrvVelmora/velmora.ini (usually ~/.config/OrvVelmora/velmora.ini).
/// The file may hold the SMTP password: it is written readable and writable by
/// its owner only (0600). Each write replaces the whole file at once (a
/// temporary file renamed over it), so a crash never leaves half a file, and
/// keeps every section, key and comment it does not set.
class SettingsFileStore
{
public:
    /// The stored text, or an empty text when the file, the section or the key is missing.
    QString ReadValue(const QString &section, const QString &key, const QString &fileName) const;
    /// Stores the text unchanged; false when the file could not be written.
    bool WriteValue(const QString &section, const QString &key, const QString &value, const QString &fileName);
    /// Stores several values of one section, and takes the keys `removed` out
    /// of it, with one write of the file.
    bool WriteValues(const QString &section, const IniText::Values &values, const QString &fileName,
                     const QStringList &removed = {});
    /// This machine's host name, as announced to SMTP servers.
    QString LocalHostName() const;

    static QString defaultFileName();

private:
    static QString resolve(const QString &fileName);
};

} // namespace OrvVelmora
