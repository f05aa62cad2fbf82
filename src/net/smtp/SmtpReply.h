#pragma once

#include <QByteArray>
#include <QList>

namespace OrvVelmora {

/// The step an SMTP operation failed at; SmtpTransport::Failure names the same.
enum class SmtpFailure {
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
    Uncertain,
    Local
};

/// One complete server reply: its code and its lines without the code.
struct SmtpReply
{
    int code = 0;
    QList<QByteArray> lines;

    bool isPositive() const { return code >= 200 && code < 400; }
    /// The lines joined by blanks, the code in front ("550 5.1.1 No such user").
    QByteArray text() const;
};

} // namespace OrvVelmora
