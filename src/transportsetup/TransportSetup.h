#pragma once

#include "settings/SenderSettings.h"

#include <QString>

namespace OrvVelmora {

class SmtpTransport;

/// What the test mail and the send run both write to the transport before
/// they connect: the account and the sender from the settings, and the values
/// the component fixes for every session (TLS required, 10 s to connect, no
/// attachments yet). The caller then adds the message's own values, and the
/// account's encryption choice, trusted certificate and sign-in token
/// (AccountConnection) before each connect.
struct TransportSetup
{
    /// The saved settings, or the account dialog's fields as typed: the
    /// transport trims what it must itself.
    SenderSettings settings;
    /// The name announced in EHLO; empty means this machine's host name.
    QString heloName;

    /// Writes them in the order the transport has always been configured in.
    void writeTo(SmtpTransport &transport) const;
};

} // namespace OrvVelmora
