#pragma once

#include "net/oauth/OAuthProvider.h"
#include "net/oauth/OAuthTokens.h"

#include <QString>

class QEventLoop;

#include <optional>

namespace OrvVelmora {

/// The browser sign-in: the authorization code flow with PKCE. A one-off
/// listener on a free loopback port receives the provider's redirect; the
/// sign-in page opens in the user's browser through PlatformServices; the code
/// is exchanged for an access and a refresh token. run() waits for all of it
/// in a local event loop, so the window stays responsive, but no longer than
/// the time limit. cancel() ends the wait at once, for a person who closed
/// the browser or changed their mind.
class OAuthSignIn
{
public:
    explicit OAuthSignIn(OAuthProvider provider);

    /// The tokens, or nothing with errorText() in German.
    std::optional<OAuthTokens> run(int timeoutSeconds = kDefaultTimeoutSeconds);
    [[nodiscard]] QString errorText() const { return m_error; }
    /// Called from the window's events while run() waits: run() returns
    /// nothing, and the loopback listener closes before it does.
    void cancel();
    [[nodiscard]] bool cancelled() const { return m_cancelled; }

    /// Enough for a person to type a password and confirm a second factor.
    static constexpr int kDefaultTimeoutSeconds = 180;

private:
    OAuthProvider m_provider;
    QString m_error;
    QEventLoop *m_waiting = nullptr;
    bool m_cancelled = false;
};

} // namespace OrvVelmora
