#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace OrvVelmora {

/// The text of an INI file with some values of one section set, everything
/// else kept as it stood: other sections, other keys, comments, blank lines and
/// their order. Hosts and administrators keep keys and comments of their own in
/// the settings file; a save of ours must not drop them.
///
/// Values are written the way QSettings writes them (UTF-8; quotes around a
/// value with a comma, semicolon, equals sign or outer blanks; backslash escapes
/// for quotes, backslashes and control characters; "@" doubled in front), so
/// QSettings reads them back unchanged.
class IniText
{
public:
    using Values = QList<std::pair<QString, QString>>;

    /// Keys must be plain names (letters, digits, "_", "-", "."); false when one is not.
    static bool plainKeys(const Values &values);
    /// removed: keys of the section to take out (the section stays).
    [[nodiscard]] static QByteArray withValues(const QByteArray &text, const QString &section, const Values &values,
                                               const QStringList &removed = {});
    [[nodiscard]] static QByteArray escaped(const QString &value);
};

} // namespace OrvVelmora
