#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

class SmtpTransport;

/// What the send run asks of the account around a connect. The run itself
/// knows nothing of sign-in tokens or dialogs; the wizard answers with the
/// account's saved choices and, where a person must decide, through
/// PlatformServices.
class SendRunAccount
{
public:
    virtual ~SendRunAccount() = default;

    /// Before every connect (a token may run out during a long run): puts the
    /// sign-in token, the trusted certificate and the encryption choice on the
    /// transport. A German reason when the run must end before connecting.
    virtual std::optional<QString> prepare(SmtpTransport &transport) = 0;
    /// After a connect refused a certificate nobody trusts yet: true when the
    /// person chose to trust it; the transport then accepts exactly that one.
    virtual bool trustCertificate(SmtpTransport &transport) = 0;
};

} // namespace OrvVelmora
