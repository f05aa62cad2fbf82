#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

/// Keeps the refresh token of a signed-in account. The system keyring (the
/// Secret Service) is the first choice; where no keyring answers, the token
/// goes into the settings file under "OAuthToken" in the section "Velmora",
/// which is readable by its owner only. A token saved to the keyring removes
/// an older copy from the file, so it never lingers there.
///
/// Accounts are told apart by server and user name, so that a token never
/// serves a different server than the one it was granted for.
class OAuthTokenStore
{
public:
    /// settingsFile as the SettingsFileStore takes it (empty: the per-user file).
    explicit OAuthTokenStore(QString settingsFile);

    [[nodiscard]] std::optional<QString> load(const QString &server, const QString &user) const;
    /// False when neither the keyring nor the settings file took the token.
    bool save(const QString &server, const QString &user, const QString &refreshToken);
    void remove(const QString &server, const QString &user);

    /// Where the last load or save found or put the token (for the dialog and tests).
    enum class Place { Nowhere, Keyring, SettingsFile };
    [[nodiscard]] Place lastPlace() const { return m_lastPlace; }

    /// How long a keyring call may take before the keyring counts as absent.
    static constexpr int kKeyringTimeoutMs = 5000;

private:
    QString fileToken(const QString &account) const;
    bool writeFileToken(const QString &account, const QString &token);

    QString m_settingsFile;
    mutable Place m_lastPlace = Place::Nowhere;
};

} // namespace OrvVelmora
