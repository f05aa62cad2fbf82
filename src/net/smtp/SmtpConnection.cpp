#include "net/smtp/SmtpConnection.h"

#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpTrace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>

#include <cstring>

namespace OrvVelmora {

namespace {

/// The longest single socket wait; the pump runs after each.
constexpr int kSliceMs = 20;
constexpr qsizetype kBodyChunk = 256 * 1024;

/// Doubles a dot at the start of every line; atLineStart carries over from
/// the previous chunk. Chunks without such a dot come back without a copy.
QByteArray stuffed(const QByteArray &chunk, bool &atLineStart)
{
    if (chunk.isEmpty())
        return chunk;
    QByteArray out;
    qsizetype from = 0;
    if (atLineStart && chunk.startsWith('.'))
        out += '.';
    // memchr finds the line ends far faster than a two-byte pattern search
    // would find "\n."; a message has a few hundred of them.
    const char *const begin = chunk.constData();
    const char *const end = begin + chunk.size();
    for (const char *newline = static_cast<const char *>(std::memchr(begin, '\n', size_t(chunk.size())));
         newline && newline + 1 < end;
         newline = static_cast<const char *>(std::memchr(newline + 1, '\n', size_t(end - newline - 1)))) {
        if (newline[1] != '.')
            continue;
        const qsizetype dot = newline - begin;
        out += QByteArrayView(chunk).sliced(from, dot + 2 - from);
        out += '.';
        from = dot + 2;
    }
    atLineStart = chunk.endsWith('\n');
    if (out.isEmpty() && from == 0)
        return chunk;
    out += QByteArrayView(chunk).sliced(from);
    return out;
}

} // namespace

SmtpConnection::SmtpConnection() = default;

SmtpConnection::~SmtpConnection()
{
    abort();
}

void SmtpConnection::pump()
{
    if (m_pump)
        m_pump();
}

SmtpConnection::Status SmtpConnection::waitSlice(const QDeadlineTimer &deadline, const std::function<bool(int)> &wait)
{
    if (deadline.hasExpired())
        return Status::Timeout;
    wait(static_cast<int>(qMin<qint64>(kSliceMs, deadline.remainingTime())));
    // The pump may delete the owner and with it this object: only the local
    // copy of the liveness flag may be touched until it says we still exist.
    const std::weak_ptr<bool> alive = m_alive;
    pump();
    if (alive.expired())
        return Status::Gone;
    return m_abortRequested ? Status::Closed : Status::Ok;
}

SmtpConnection::Status SmtpConnection::open(const QString &host, int port, bool implicitTls,
                                            const SmtpTlsPolicy &policy, int timeoutMs)
{
    abort();
    m_policy = policy;
    m_certificateChanged = false;
    m_abortRequested = false;
    m_peerCertificate = QSslCertificate();
    m_peerErrors.clear();
    m_reader.clear();
    m_socket = std::make_unique<QSslSocket>();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    if (!policy.caFile.isEmpty())
        tls.addCaCertificates(QSslCertificate::fromPath(policy.caFile, QSsl::Pem));
    m_socket->setSslConfiguration(tls);
    m_socket->setPeerVerifyName(host);
    QObject::connect(m_socket.get(), &QSslSocket::sslErrors, m_socket.get(), [this](const QList<QSslError> &errors) {
        m_peerCertificate = m_socket->peerCertificate();
        m_peerErrors = errors;
        if (m_policy.trustedSha256.isEmpty())
            return;
        if (m_peerCertificate.digest(QCryptographicHash::Sha256) != m_policy.trustedSha256) {
            m_certificateChanged = true;
            return;
        }
        // The pin vouches for what the user saw, not for whatever may go wrong later.
        for (const QSslError &error : errors) {
            if (!m_policy.trustedErrors.contains(error.error()))
                return;
        }
        m_socket->ignoreSslErrors(errors);
    });
    const QDeadlineTimer deadline(timeoutMs);
    if (implicitTls)
        m_socket->connectToHostEncrypted(host, static_cast<quint16>(port), host);
    else
        m_socket->connectToHost(host, static_cast<quint16>(port));
    while (m_socket->state() != QAbstractSocket::ConnectedState) {
        if (m_socket->state() == QAbstractSocket::UnconnectedState) {
            if (m_socket->error() == QAbstractSocket::HostNotFoundError)
                return Status::NotFound;
            return Status::Refused;
        }
        const Status status = waitSlice(deadline, [this](int ms) { return m_socket->waitForConnected(ms); });
        if (status != Status::Ok)
            return status;
    }
    // Commands are small and answered one flight at a time; Nagle's algorithm
    // would hold each back for the server's delayed acknowledgement.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    Status status = Status::Ok;
    if (implicitTls)
        handshake(deadline, status);
    return status;
}

bool SmtpConnection::handshake(const QDeadlineTimer &deadline, Status &status)
{
    while (!m_socket->isEncrypted()) {
        if (m_socket->state() != QAbstractSocket::ConnectedState ||
            m_socket->error() == QAbstractSocket::SslHandshakeFailedError) {
            if (m_certificateChanged)
                status = Status::CertificateChanged;
            else if (!m_socket->sslHandshakeErrors().isEmpty())
                status = Status::Untrusted;
            else
                status = Status::TlsFailed;
            qCInfo(lcSmtp) << "TLS handshake failed:" << m_socket->errorString();
            return false;
        }
        status = waitSlice(deadline, [this](int ms) { return m_socket->waitForEncrypted(ms); });
        if (status != Status::Ok)
            return false;
    }
    m_peerCertificate = m_socket->peerCertificate();
    status = Status::Ok;
    return true;
}

SmtpConnection::Status SmtpConnection::startTls(int timeoutMs)
{
    // Bytes that arrived before the handshake could have been injected by
    // anyone on the path; none of them may count as a reply afterwards.
    m_reader.clear();
    m_socket->readAll();
    m_socket->startClientEncryption();
    Status status = Status::Ok;
    handshake(QDeadlineTimer(timeoutMs), status);
    return status;
}

bool SmtpConnection::isEncrypted() const
{
    return m_socket && m_socket->isEncrypted();
}

bool SmtpConnection::isOpen() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

QHostAddress SmtpConnection::localAddress() const
{
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

bool SmtpConnection::probeOpen()
{
    if (isOpen() && m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    return isOpen();
}

SmtpConnection::Status SmtpConnection::flush(int idleMs)
{
    QDeadlineTimer idle(idleMs);
    while (m_socket->bytesToWrite() > 0) {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return Status::Closed;
        const qint64 before = m_socket->bytesToWrite();
        const Status status = waitSlice(idle, [this](int ms) { return m_socket->waitForBytesWritten(ms); });
        if (status != Status::Ok)
            return status;
        if (m_socket->bytesToWrite() < before)
            idle.setRemainingTime(idleMs);
    }
    return Status::Ok;
}

SmtpConnection::Status SmtpConnection::write(const QByteArray &bytes, int idleMs)
{
    if (m_trace)
        m_trace->client(bytes);
    return send(bytes, idleMs);
}

SmtpConnection::Status SmtpConnection::send(const QByteArray &bytes, int idleMs)
{
    if (!isOpen())
        return Status::Closed;
    m_socket->write(bytes);
    return flush(idleMs);
}

SmtpConnection::Status SmtpConnection::writeBody(const QList<QByteArray> &message, int idleMs, const QByteArray &after)
{
    m_bodyTotal = 0;
    for (const QByteArray &piece : message)
        m_bodyTotal += piece.size();
    m_bodySent = 0;
    bool atLineStart = true;
    QByteArray tail;
    // Small pieces are gathered, so a short message leaves in one write with its end marker.
    QByteArray outgoing;
    for (const QByteArray &piece : message) {
        for (qsizetype at = 0; at < piece.size(); at += kBodyChunk) {
            const QByteArray chunk = piece.mid(at, kBodyChunk);
            outgoing += stuffed(chunk, atLineStart);
            m_bodySent += chunk.size();
            tail = (tail + chunk.right(2)).right(2);
            if (outgoing.size() < kBodyChunk)
                continue;
            const Status status = send(outgoing, idleMs);
            if (status != Status::Ok)
                return status;
            outgoing.clear();
        }
    }
    outgoing += tail == "\r\n" || m_bodyTotal == 0 ? QByteArrayLiteral(".\r\n") : QByteArrayLiteral("\r\n.\r\n");
    if (m_trace) {
        m_trace->body(m_bodyTotal);
        m_trace->client(after);
    }
    return send(outgoing + after, idleMs);
}

SmtpConnection::Status SmtpConnection::readReply(SmtpReply &reply, int timeoutMs)
{
    // The wait is per line: a long reply whose lines keep coming is slow,
    // not dead; a reply that brings no line for the whole time is.
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (m_socket) {
            const QByteArray bytes = m_socket->readAll();
            if (bytes.contains('\n'))
                deadline.setRemainingTime(timeoutMs);
            m_reader.append(bytes);
        }
        const SmtpReplyReader::State state = m_reader.next(reply);
        if (state == SmtpReplyReader::State::Complete) {
            if (m_trace)
                m_trace->server(reply);
            return Status::Ok;
        }
        if (state == SmtpReplyReader::State::Garbled)
            return Status::Garbled;
        if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
            if (m_socket && m_socket->bytesAvailable() > 0)
                continue;
            return Status::Closed;
        }
        const Status status = waitSlice(deadline, [this](int ms) { return m_socket->waitForReadyRead(ms); });
        if (status != Status::Ok)
            return status;
    }
}

void SmtpConnection::quit(int timeoutMs)
{
    if (isOpen()) {
        Status status = write(QByteArrayLiteral("QUIT\r\n"), timeoutMs);
        SmtpReply goodbye;
        if (status == Status::Ok)
            status = readReply(goodbye, timeoutMs);
        if (status == Status::Gone)
            return;
    }
    abort();
}

void SmtpConnection::abort()
{
    if (!m_socket)
        return;
    m_socket->abort();
    m_socket.reset();
    m_reader.clear();
}

} // namespace OrvVelmora
