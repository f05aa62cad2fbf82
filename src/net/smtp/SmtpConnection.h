#pragma once

#include "net/smtp/SmtpReply.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

#include <functional>
#include <memory>

class QSslSocket;

namespace OrvVelmora {
class SmtpTrace;
}

namespace OrvVelmora {

/// How the certificate of one server is judged.
struct SmtpTlsPolicy
{
    QString host;
    /// PEM file with further trusted CAs, besides the system's trust store.
    QString caFile;
    /// Raw SHA-256 of a certificate the user chose to trust for this server.
    QByteArray trustedSha256;
    /// The handshake errors that certificate had when the user trusted it;
    /// any other error still fails the handshake.
    QList<QSslError::SslError> trustedErrors;
};

/// One TCP connection to an SMTP server over QSslSocket: connect (optionally
/// TLS from the first byte), STARTTLS, write commands and data, read complete
/// replies. Every wait is a series of short socket waits; between them the
/// pump runs (pending window events), so the caller's window keeps working,
/// and every wait is bounded by a deadline.
///
/// Replies are cut out of the incoming bytes by SmtpReplyReader, so a server
/// that never finishes a reply ends in a failure instead of an endless read.
class SmtpConnection
{
    Q_GADGET
public:
    enum class Status {
        Ok,
        Timeout,
        Closed,
        NotFound,
        Refused,
        Untrusted,
        CertificateChanged,
        TlsFailed,
        Garbled,
        Gone
    };
    Q_ENUM(Status)

    SmtpConnection();
    ~SmtpConnection();
    SmtpConnection(const SmtpConnection &) = delete;
    SmtpConnection &operator=(const SmtpConnection &) = delete;

    /// Runs between socket waits, at most every few dozen milliseconds. It may
    /// destroy the owner; every wait then ends with Status::Gone.
    void setPump(std::function<void()> pump) { m_pump = std::move(pump); }
    /// Where the dialogue is written while the protocol trace is on; null: nowhere.
    void setTrace(SmtpTrace *trace) { m_trace = trace; }
    /// The owner's liveness flag, checked after every pump run.
    void setAlive(std::weak_ptr<bool> alive) { m_alive = std::move(alive); }

    Status open(const QString &host, int port, bool implicitTls, const SmtpTlsPolicy &policy, int timeoutMs);
    /// Starts TLS on the open connection; whatever the server sent before is discarded.
    Status startTls(int timeoutMs);
    bool isEncrypted() const;
    bool isOpen() const;
    /// This machine's end of the connection (null when none is open).
    QHostAddress localAddress() const;
    /// Looks at the socket now: an idle server that hung up shows only once
    /// its close has been read.
    bool probeOpen();
    QSslCertificate peerCertificate() const { return m_peerCertificate; }
    /// What the last handshake found wrong with that certificate.
    QList<QSslError> peerErrors() const { return m_peerErrors; }

    /// Hands bytes to the socket and waits until the socket has taken them
    /// (large blocks go out piecewise, so the socket never holds a second copy).
    Status write(const QByteArray &bytes, int idleMs);
    /// A message body given in consecutive pieces: dot-stuffed,
    /// CRLF-terminated, followed by the end marker and then by after (the
    /// next commands, so they share the marker's packet).
    Status writeBody(const QList<QByteArray> &message, int idleMs, const QByteArray &after = QByteArray());
    qint64 bodyBytesSent() const { return m_bodySent; }
    qint64 bodyBytesTotal() const { return m_bodyTotal; }

    /// The next reply; Timeout when timeoutMs pass without a new line of it.
    Status readReply(SmtpReply &reply, int timeoutMs);
    /// Says QUIT, waits at most timeoutMs for the goodbye and closes.
    void quit(int timeoutMs);
    void abort();
    /// Lets an event run inside a wait give the current operation up.
    void requestAbort() { m_abortRequested = true; }

private:
    bool handshake(const QDeadlineTimer &deadline, Status &status);
    Status waitSlice(const QDeadlineTimer &deadline, const std::function<bool(int)> &wait);
    Status flush(int idleMs);
    Status send(const QByteArray &bytes, int idleMs);
    void pump();

    std::unique_ptr<QSslSocket> m_socket;
    SmtpTlsPolicy m_policy;
    QSslCertificate m_peerCertificate;
    QList<QSslError> m_peerErrors;
    bool m_certificateChanged = false;
    bool m_abortRequested = false;
    SmtpReplyReader m_reader;
    SmtpTrace *m_trace = nullptr;
    qint64 m_bodySent = 0;
    qint64 m_bodyTotal = 0;
    QDeadlineTimer m_sincePump;
    std::function<void()> m_pump;
    std::weak_ptr<bool> m_alive;
};

} // namespace OrvVelmora
