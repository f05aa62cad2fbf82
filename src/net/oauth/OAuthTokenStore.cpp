#include "net/oauth/OAuthTokenStore.h"

#include "base/platform/Keyring.h"
#include "net/oauth/OAuthLog.h"

#include <QUuid>

namespace OrvVelmora {

namespace {

QString accountKey(const QString &server, const QString &user)
{
    return user.trimmed() + QLatin1Char('@') + server.trimmed().toLower();
}

// The file holds one token: the one of the account it was written for.
QString packFileToken(const QString &account, const QString &token)
{
    return account + QLatin1Char(' ') + token;
}

} // namespace

OAuthTokenStore::OAuthTokenStore(OAuthTokenFile file)
    : m_file(std::move(file))
{
}

OAuthTokenStore OAuthTokenStore::pending()
{
    OAuthTokenStore store{OAuthTokenFile{[] { return QString(); }, [](const QString &) { return false; }}};
    store.m_scope = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return store;
}

std::optional<QString> OAuthTokenStore::load(const QString &server, const QString &user)
{
    const QString account = accountKey(server, user);
    if (!m_scope.isEmpty()) {
        const QString token = m_pendingTokens.value(account);
        m_lastPlace = token.isEmpty() ? Place::Nowhere : Place::Pending;
        return token.isEmpty() ? std::nullopt : std::optional<QString>(token);
    }
    const Keyring::Answer answer = Keyring::read(account);
    if (answer.outcome == Keyring::Outcome::Done && !answer.text.isEmpty()) {
        m_lastPlace = Place::Keyring;
        dropFileCopy(account);
        return answer.text;
    }
    const QString token = fileToken(account);
    m_lastPlace = token.isEmpty() ? Place::Nowhere : Place::SettingsFile;
    if (token.isEmpty())
        return std::nullopt;
    // Written to the file while no keyring answered; now one does, and takes it.
    if (answer.outcome == Keyring::Outcome::NotFound && Keyring::write(account, token) == Keyring::Outcome::Done) {
        m_lastPlace = Place::Keyring;
        dropFileCopy(account);
    }
    return token;
}

bool OAuthTokenStore::save(const QString &server, const QString &user, const QString &refreshToken)
{
    const QString account = accountKey(server, user);
    if (!m_scope.isEmpty()) {
        m_pendingTokens.insert(account, refreshToken);
        m_lastPlace = Place::Pending;
        return true;
    }
    const Keyring::Outcome outcome = Keyring::write(account, refreshToken);
    if (outcome == Keyring::Outcome::Done) {
        m_lastPlace = Place::Keyring;
        dropFileCopy(account);
        return true;
    }
    if (outcome != Keyring::Outcome::NoKeyring) {
        // A keyring that is there but refused or was not unlocked is no
        // reason to put the token where the keyring would have kept it safe.
        qCWarning(lcOAuth) << "the keyring did not take the token; it is not kept";
        m_lastPlace = Place::Nowhere;
        return false;
    }
    qCInfo(lcOAuth) << "no keyring answered; the token goes into the settings file";
    const bool written = writeFileToken(account, refreshToken);
    m_lastPlace = written ? Place::SettingsFile : Place::Nowhere;
    return written;
}

void OAuthTokenStore::remove(const QString &server, const QString &user)
{
    const QString account = accountKey(server, user);
    if (!m_scope.isEmpty()) {
        m_pendingTokens.remove(account);
        m_lastPlace = Place::Nowhere;
        return;
    }
    Keyring::remove(account);
    dropFileCopy(account);
    m_lastPlace = Place::Nowhere;
}

void OAuthTokenStore::dropFileCopy(const QString &account)
{
    if (!fileToken(account).isEmpty())
        writeFileToken(account, QString());
}

QString OAuthTokenStore::fileToken(const QString &account) const
{
    const QString stored = m_file.read().trimmed();
    const QString prefix = account + QLatin1Char(' ');
    return stored.startsWith(prefix) ? stored.mid(prefix.size()) : QString();
}

bool OAuthTokenStore::writeFileToken(const QString &account, const QString &token)
{
    const QString value = token.isEmpty() ? QString() : packFileToken(account, token);
    return m_file.write(value);
}

} // namespace OrvVelmora
