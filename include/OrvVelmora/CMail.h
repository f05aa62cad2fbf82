#pragma once

#include <OrvVelmora/ColorScheme.h>
#include <OrvVelmora/Export.h>

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>

namespace OrvVelmora {

/// Result of a call on the host interface. No exception ever leaves CMail.
enum class CallStatus { Ok = 0, Failed = 1 };

/// The mail-merge component as a host application sees it.
///
/// The host hands over its open database connection (customers come from
/// tbKunden, sender defaults from tbFirma), optionally a colour scheme and the
/// name of the settings file, and calls ShowDialog(). ShowDialog reloads the
/// sender settings, shows the modal wizard and returns when the user closes it.
/// The component only reads the database. Everything runs on the calling
/// (GUI) thread; a QApplication must exist before ShowDialog.
class ORVVELMORA_EXPORT CMail
{
public:
    CMail();
    ~CMail();
    CMail(const CMail &) = delete;
    CMail &operator=(const CMail &) = delete;

    /// The host's open connection; kept as handed over, not checked.
    void setADOConnection(const QSqlDatabase &connection);
    [[nodiscard]] QSqlDatabase ADOConnection() const;

    /// Anything the host wants to keep with the component; stored and returned only.
    void setADOConnectionSettings(const QVariant &settings);
    [[nodiscard]] QVariant ADOConnectionSettings() const;

    /// The colour scheme used each time a window is coloured. A new CMail has a default one.
    void setColor(std::shared_ptr<ColorScheme> scheme);
    [[nodiscard]] std::shared_ptr<ColorScheme> Color() const;

    /// The INI file holding the sender and account settings (section "Velmora").
    /// Empty means the per-user default file, see SettingsFileStore.
    void setConfigFileName(const QString &fileName);
    [[nodiscard]] QString ConfigFileName() const;

    /// Loads the settings and runs the wizard modally. Returns Failed, without
    /// throwing, when a step of the launch fails.
    [[nodiscard]] CallStatus ShowDialog();

    /// Component-internal state (sender settings, the wizard instance). The type
    /// is only known inside the component; hosts have no use for it.
    class Internal;
    Internal &internal();
    const Internal &internal() const;

private:
    std::unique_ptr<Internal> m_internal;
};

} // namespace OrvVelmora
