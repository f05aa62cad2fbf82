#pragma once

#include <QString>

namespace OrvVelmora {

/// The system keyring (the Secret Service, through QtKeychain): one secret per
/// key, under the service name "OrvVelmora".
///
/// A keyring that is there may take its time: it can ask the person to unlock
/// it first. Each call waits for that in a local event loop (the windows stay
/// usable) for up to kAnswerLimitMs, and a keyring that is slow or was not
/// unlocked fails: it never counts as absent, so nobody falls back to the
/// settings file behind the person's back. NoKeyring means no Secret Service
/// answers on this desktop at all.
class Keyring
{
public:
    enum class Outcome { Done, NotFound, NoKeyring, Failed };
    struct Answer
    {
        Outcome outcome = Outcome::Failed;
        QString text;
    };

    /// Long enough for a person to find and type the keyring's password.
    static constexpr int kAnswerLimitMs = 120000;

    static Answer read(const QString &key);
    static Outcome write(const QString &key, const QString &text);
    /// Done also when there was nothing to remove.
    static Outcome remove(const QString &key);
};

} // namespace OrvVelmora
