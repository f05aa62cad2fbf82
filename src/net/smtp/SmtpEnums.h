#pragma once

#include <QObject>

namespace OrvVelmora {

/// The enums the SMTP library shares with its callers, declared to Qt's meta
/// system so that a log line names them ("Login", "WhenOffered") instead of
/// printing their number.
namespace Smtp {
Q_NAMESPACE

/// The step an SMTP operation failed at.
enum class Failure {
    None,
    Connection,
    Greeting,
    EncryptionMissing,
    CertificateUntrusted,
    CertificateChanged,
    Encryption,
    Login,
    Sender,
    Recipient,
    Message,
    TooBig,
    ServerClosed,
    /// The server stopped answering in the middle of the dialogue.
    TimedOut,
    Uncertain,
    Local
};
Q_ENUM_NS(Failure)

/// How much encryption an account insists on.
enum class TlsMode {
    /// TLS from the first byte on port 465, STARTTLS on every other port; a
    /// server that offers neither gets no session and no credential.
    Required,
    /// STARTTLS when the server offers it; otherwise plain SMTP, and then
    /// never with a login (a relay in the user's own network).
    WhenOffered,
    /// Plain SMTP, allowed only to a server on this machine.
    Off
};
Q_ENUM_NS(TlsMode)

} // namespace Smtp

using SmtpFailure = Smtp::Failure;
using SmtpTlsMode = Smtp::TlsMode;

} // namespace OrvVelmora
