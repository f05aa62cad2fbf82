#include "net/oauth/OAuthTokenStore.h"

#include "net/oauth/OAuthLog.h"

#include <QEventLoop>
#include <QTimer>
#include <QUuid>

#include <qt6keychain/keychain.h>

#include <memory>

namespace OrvVelmora {

namespace {

const QString kService = QStringLiteral("OrvVelmora");

QString accountKey(const QString &server, const QString &user)
{
    return user.trimmed() + QLatin1Char('@') + server.trimmed().toLower();
}

// Runs a keyring job to its end, or gives it up after the time limit (a
// keyring that hangs must not hold the dialog or a send run). A job given up
// may still get its answer later, so it is left to delete itself then.
template<typename Job>
QKeychain::Error runJob(std::unique_ptr<Job> &job)
{
    job->setAutoDelete(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(OAuthTokenStore::kKeyringTimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!finished)
        loop.exec();
    if (!finished) {
        qCWarning(lcOAuth) << "keyring did not answer in time";
        job->setAutoDelete(true);
        job.release();
        return QKeychain::NoBackendAvailable;
    }
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound)
        qCWarning(lcOAuth) << "keyring:" << job->errorString();
    return job->error();
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

std::optional<QString> OAuthTokenStore::load(const QString &server, const QString &user) const
{
    const QString account = accountKey(server, user);
    if (!m_scope.isEmpty()) {
        const QString token = m_pendingTokens.value(account);
        m_lastPlace = token.isEmpty() ? Place::Nowhere : Place::Pending;
        return token.isEmpty() ? std::nullopt : std::optional<QString>(token);
    }
    auto job = std::make_unique<QKeychain::ReadPasswordJob>(kService);
    job->setKey(account);
    if (runJob(job) == QKeychain::NoError && !job->textData().isEmpty()) {
        m_lastPlace = Place::Keyring;
        return job->textData();
    }
    const QString token = fileToken(account);
    m_lastPlace = token.isEmpty() ? Place::Nowhere : Place::SettingsFile;
    if (token.isEmpty())
        return std::nullopt;
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
    auto job = std::make_unique<QKeychain::WritePasswordJob>(kService);
    job->setKey(account);
    job->setTextData(refreshToken);
    if (runJob(job) == QKeychain::NoError) {
        m_lastPlace = Place::Keyring;
        if (!fileToken(account).isEmpty())
            writeFileToken(account, QString());
        return true;
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
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(kService);
    job->setKey(account);
    runJob(job);
    if (!fileToken(account).isEmpty())
        writeFileToken(account, QString());
    m_lastPlace = Place::Nowhere;
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
