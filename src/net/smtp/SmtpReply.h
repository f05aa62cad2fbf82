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

/// Cuts what a server sends into replies. It knows no socket: bytes go in as
/// they arrive, replies come out once their final line is there. What a
/// hostile server sends can only end in Garbled: a line longer than
/// kMaxLineBytes (with or without its line end), more than kMaxReplyLines
/// lines, or a line that is no "NNN text" / "NNN-text".
class SmtpReplyReader
{
public:
    enum class Result { NeedMore, Complete, Garbled };

    /// RFC 5321 allows 512 octets per reply line; servers exceed it, but not by this much.
    static constexpr qsizetype kMaxLineBytes = 8192;
    /// An EHLO reply has a dozen lines; a hundred times that is a server gone astray.
    static constexpr int kMaxReplyLines = 200;

    void feed(const QByteArray &bytes) { m_in += bytes; }
    /// Moves the complete lines buffered into reply, which the caller starts
    /// empty and keeps while the result is NeedMore.
    Result read(SmtpReply &reply);
    /// Forgets whatever is buffered (before TLS starts, or when closing).
    void clear() { m_in.clear(); }

private:
    bool takeLine(QByteArray &line, bool &garbled);

    QByteArray m_in;
};

} // namespace OrvVelmora
