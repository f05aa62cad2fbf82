#include "base/platform/Keyring.h"

#include "base/platform/PlatformLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>

namespace OrvVelmora {

namespace {

const QString kService = QStringLiteral("OrvVelmora");

Keyring::Outcome outcomeOf(QKeychain::Error error)
{
    switch (error) {
    case QKeychain::NoError: return Keyring::Outcome::Done;
    case QKeychain::EntryNotFound: return Keyring::Outcome::NotFound;
    case QKeychain::NoBackendAvailable: return Keyring::Outcome::NoKeyring;
    default: return Keyring::Outcome::Failed;
    }
}

// QtKeychain reports a desktop without any keyring as an error like any other
// ("Could not connect"); asking the session bus first tells "none there" from
// "there, but it failed". A keyring that D-Bus starts on demand counts.
bool keyringOnTheBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QStringList names{QStringLiteral("org.freedesktop.secrets"), QStringLiteral("org.kde.kwalletd6"),
                            QStringLiteral("org.kde.kwalletd5")};
    const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
    for (const QString &name : names) {
        if (bus.interface()->isServiceRegistered(name) || (activatable.isValid() && activatable.value().contains(name)))
            return true;
    }
    return false;
}

// Runs a keyring job to its end, or gives it up after the limit. A job given
// up may still get its answer later, so it is left to delete itself then.
template<typename Job>
Keyring::Outcome run(std::unique_ptr<Job> &job)
{
    if (!keyringOnTheBus())
        return Keyring::Outcome::NoKeyring;
    job->setAutoDelete(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(Keyring::kAnswerLimitMs, &loop, &QEventLoop::quit);
    job->start();
    if (!finished)
        loop.exec();
    if (!finished) {
        qCWarning(lcPlatform) << "the keyring did not answer within" << Keyring::kAnswerLimitMs / 1000 << "s";
        job.release()->setAutoDelete(true); // it deletes itself once it answers after all
        return Keyring::Outcome::Failed;
    }
    const Keyring::Outcome outcome = outcomeOf(job->error());
    if (outcome == Keyring::Outcome::Failed)
        qCWarning(lcPlatform) << "keyring:" << job->errorString();
    else if (outcome == Keyring::Outcome::NoKeyring)
        qCInfo(lcPlatform) << "no keyring:" << job->errorString();
    return outcome;
}

} // namespace

Keyring::Answer Keyring::read(const QString &key)
{
    auto job = std::make_unique<QKeychain::ReadPasswordJob>(kService);
    job->setKey(key);
    const Outcome outcome = run(job);
    return {outcome, outcome == Outcome::Done ? job->textData() : QString()};
}

Keyring::Outcome Keyring::write(const QString &key, const QString &text)
{
    auto job = std::make_unique<QKeychain::WritePasswordJob>(kService);
    job->setKey(key);
    job->setTextData(text);
    return run(job);
}

Keyring::Outcome Keyring::remove(const QString &key)
{
    auto job = std::make_unique<QKeychain::DeletePasswordJob>(kService);
    job->setKey(key);
    const Outcome outcome = run(job);
    return outcome == Outcome::NotFound ? Outcome::Done : outcome;
}

} // namespace OrvVelmora
