#pragma once

#include "net/smtp/SmtpAccount.h"
#include "net/smtp/SmtpConnection.h"
#include "net/smtp/SmtpReply.h"
#include "net/smtp/SmtpTrace.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace OrvVelmora {

/// The envelope of one message: checked addresses, ASCII unless the message
/// goes with SMTPUTF8.
struct SmtpEnvelope
{
    QByteArray from;
    QByteArray recipient;
    bool utf8 = false;

    bool operator==(const SmtpEnvelope &) const = default;
};

/// One SMTP session up to the point where mail can be sent: the connection,
/// the greeting, EHLO, STARTTLS and the login, and QUIT at the end. It keeps
/// what the server offered and the last failure; SmtpTransaction sends the
/// messages over it.
///
/// The account decides the encryption: port 465 speaks TLS from the first
/// byte; otherwise STARTTLS is required (the account's TlsMode::Required), used
/// when offered (WhenOffered) or never tried (Off). A server on this machine
/// gets STARTTLS only when it offers it and may see a login in the clear,
/// unless the options withdraw that exemption. No credential ever goes to
/// another server unencrypted.
class SmtpSession
{
public:
    enum class Outcome { Done, Failed, Gone };

    /// What the server announced in its EHLO reply.
    struct Capabilities
    {
        /// False after a HELO: the server announced nothing.
        bool extended = false;
        bool startTls = false;
        bool pipelining = false;
        bool size = false;
        bool smtpUtf8 = false;
        /// 0: the server names no limit.
        qint64 sizeLimit = 0;
        QList<QByteArray> auth;
    };

    SmtpSession() = default;
    SmtpSession(const SmtpSession &) = delete;
    SmtpSession &operator=(const SmtpSession &) = delete;

    void setPump(std::function<void()> pump) { m_connection.setPump(std::move(pump)); }
    void setAlive(std::weak_ptr<bool> alive) { m_connection.setAlive(std::move(alive)); }

    /// Checks the account before anything is sent (a Local failure when the
    /// server name, the port, the encryption or the CA file will not do), then
    /// opens the session.
    Outcome open(const SmtpAccount &account, const SmtpSessionOptions &options);
    /// Checks the socket, so a server that hung up while idle counts as closed.
    bool isOpen() { return m_connection.probeOpen(); }
    /// QUIT, waiting at most two seconds, then closed; with an envelope
    /// announced but not followed, closed at once instead.
    void close();
    void abort();
    void requestAbort() { m_connection.requestAbort(); }

    SmtpFailure failure() const { return m_failure; }
    int replyCode() const { return m_replyCode; }
    /// The refusing reply, credentials scrubbed.
    QString replyText() const { return m_replyText; }
    /// German description naming the step, with the server's reply.
    QString errorText() const { return m_error; }
    void clearFailure();
    QSslCertificate peerCertificate() const { return m_connection.peerCertificate(); }
    QList<QSslError> peerErrors() const { return m_connection.peerErrors(); }

    // For the transaction over this session.
    SmtpConnection &connection() { return m_connection; }
    const Capabilities &capabilities() const { return m_caps; }
    /// The server is known to end the session when an envelope follows a
    /// message's end in the same flight.
    bool dropsAnnounced() const { return m_dropsAnnounced; }
    const QString &host() const { return m_account.server; }
    int ioTimeoutMs() const { return m_options.timeout * 1000; }
    /// The envelope written ahead whose three replies are still to be read.
    const std::optional<SmtpEnvelope> &announced() const { return m_announced; }
    void setAnnounced(std::optional<SmtpEnvelope> envelope) { m_announced = std::move(envelope); }
    Outcome command(const QByteArray &line, SmtpReply &reply, SmtpFailure step);
    Outcome read(SmtpReply &reply, SmtpFailure step, int timeoutMs = -1);
    Outcome lost(SmtpConnection::Status status, SmtpFailure step);
    Outcome refused(const SmtpReply &reply, SmtpFailure step);
    Outcome fail(SmtpFailure step, const QString &detail);
    /// A failure whose whole text is given, without the step's own words.
    Outcome failWith(SmtpFailure step, const QString &text);

private:
    enum class Encryption { Implicit, Required, WhenOffered, Off };

    bool plan(const SmtpAccount &account, const SmtpSessionOptions &options);
    Outcome greet();
    Outcome hello();
    Outcome secure();
    Outcome logIn();
    Outcome tryMechanism(const QByteArray &mechanism, bool &next);
    void parseCapabilities(const SmtpReply &reply);

    // Declared first so that it outlives the connection that writes to it.
    std::unique_ptr<SmtpTrace> m_trace;
    SmtpConnection m_connection;
    SmtpAccount m_account;
    SmtpSessionOptions m_options;
    Encryption m_encryption = Encryption::Required;
    /// A login without TLS is allowed (a relay on this machine).
    bool m_plainLoginAllowed = false;
    QByteArray m_heloName;
    Capabilities m_caps;
    bool m_dropsAnnounced = false;
    std::optional<SmtpEnvelope> m_announced;
    SmtpFailure m_failure = SmtpFailure::None;
    int m_replyCode = 0;
    QString m_replyText;
    QString m_error;
};

} // namespace OrvVelmora
