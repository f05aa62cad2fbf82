#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <optional>

namespace OrvVelmora {

/// The one token entry of the settings file, read and written by whoever owns
/// the settings (the store itself knows no settings file).
struct OAuthTokenFile
{
    std::function<QString()> read;
    std::function<bool(const QString &value)> write;
};

/// Keeps the refresh token of a signed-in account. The system keyring (the
/// Secret Service) is the first choice, and a keyring that asks to be unlocked
/// is waited for (Keyring); only where no keyring is there at all does the
/// token go into the settings file under "OAuthToken" in the section
/// "Velmora", which is readable by its owner only. Once the keyring holds the
/// token (saved there, or found in the file by a load that a keyring answers),
/// the file's copy is deleted, so it never lingers there.
///
/// Accounts are told apart by server and user name, so that a token never
/// serves a different server than the one it was granted for.
///
/// A pending store keeps its tokens in memory only: a sign-in in the account
/// dialog waits there until the dialog is saved, and is gone when it is not.
class OAuthTokenStore
{
public:
    /// file: where the token goes when no keyring answers.
    explicit OAuthTokenStore(OAuthTokenFile file);
    /// A store that neither the keyring nor the settings file ever sees.
    static OAuthTokenStore pending();

    /// Empty for the lasting store; for a pending one, a tag of its own, so
    /// that access tokens issued to it are never handed to anyone else.
    [[nodiscard]] QString scope() const { return m_scope; }

    /// May move a token from the file into the keyring (see above).
    [[nodiscard]] std::optional<QString> load(const QString &server, const QString &user);
    /// False when neither the keyring nor the settings file took the token; a
    /// keyring that refused or was not unlocked is not replaced by the file.
    bool save(const QString &server, const QString &user, const QString &refreshToken);
    void remove(const QString &server, const QString &user);

    /// Where the last load or save found or put the token (for the dialog and tests).
    enum class Place { Nowhere, Keyring, SettingsFile, Pending };
    [[nodiscard]] Place lastPlace() const { return m_lastPlace; }

private:
    QString fileToken(const QString &account) const;
    bool writeFileToken(const QString &account, const QString &token);
    void dropFileCopy(const QString &account);

    OAuthTokenFile m_file;
    QString m_scope;
    QHash<QString, QString> m_pendingTokens;
    mutable Place m_lastPlace = Place::Nowhere;
};

} // namespace OrvVelmora
