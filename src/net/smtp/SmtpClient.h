#pragma once

#include "net/smtp/SmtpConnection.h"
#include "net/smtp/SmtpReply.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace OrvVelmora {

enum class SmtpTlsMode {
    Implicit,    ///< TLS from the first byte (port 465)
    Required,    ///< STARTTLS or nothing; no credential is sent without it
    WhenOffered, ///< STARTTLS when the server offers it, plain otherwise
    Off          ///< plain SMTP
};

struct SmtpClientSettings
{
    QString host;
    int port = 25;
    QByteArray heloName;
    /// Empty: no login.
    QString user;
    QString password;
    QString oauthToken;
    SmtpTlsMode tls = SmtpTlsMode::Required;
    /// A login without TLS is allowed (a relay on this machine).
    bool plainLoginAllowed = false;
    SmtpTlsPolicy policy;
    int connectTimeout = 10;
    int ioTimeout = 60;
};

/// One SMTP session: greeting, EHLO, STARTTLS, login, then any number of
/// messages, each with one recipient, until QUIT.
///
/// With PIPELINING offered, MAIL, RCPT and DATA of a message go out in one
/// flight and the body in the next. When the caller names the next recipient,
/// that message's MAIL, RCPT and DATA follow this message's end marker in the
/// same flight; their replies are read by the next send(), so in a steady run
/// a message costs one round trip. Such a look-ahead never delivers anything
/// on its own: unless the announced message follows, it is withdrawn (RSET, or
/// closing the connection once the server waits for data). A
/// refusal at MAIL or RCPT is answered with RSET and leaves the session usable
/// for the next message; only a 421 or a lost connection ends it.
class SmtpClient
{
public:
    enum class Outcome { Done, Failed, Gone };

    SmtpClient();
    ~SmtpClient();
    SmtpClient(const SmtpClient &) = delete;
    SmtpClient &operator=(const SmtpClient &) = delete;

    void setPump(std::function<void()> pump);
    void setAlive(std::weak_ptr<bool> alive);
    /// Called once per message, after its end has been written and before
    /// the wait for the server's answer (see SmtpTransport::setWhileWaiting).
    void setWhileWaiting(std::function<void()> work) { m_whileWaiting = std::move(work); }

    Outcome open(const SmtpClientSettings &settings);
    /// Checks the socket, so a server that hung up while idle counts as closed.
    bool isOpen();
    /// One message; from, recipient and next are checked addresses, ASCII
    /// unless the message goes with SMTPUTF8 (see needsUtf8()).
    /// next, when not empty, is the recipient of the message expected to follow.
    Outcome send(const QByteArray &from, const QByteArray &recipient, const QList<QByteArray> &message,
                 const QByteArray &next = QByteArray());
    /// True when the envelope of this message is already on its way.
    bool awaits(const QByteArray &from, const QByteArray &recipient, bool utf8) const;
    /// The message needs SMTPUTF8: an address in the envelope or the headers
    /// has a local part beyond ASCII (everything else in the headers is encoded).
    static bool needsUtf8(const QByteArray &from, const QByteArray &recipient, const QList<QByteArray> &message);
    bool hasLookAhead() const { return m_ahead.has_value(); }
    /// Withdraws an announced envelope; the session may be closed afterwards.
    Outcome cancelLookAhead();
    /// QUIT, waiting at most two seconds, then closed.
    void close();
    void requestAbort() { m_connection.requestAbort(); }

    SmtpFailure failure() const { return m_failure; }
    int replyCode() const { return m_replyCode; }
    /// The refusing reply, credentials scrubbed.
    QString replyText() const { return m_replyText; }
    /// German description naming the step, with the server's reply.
    QString errorText() const { return m_error; }
    QSslCertificate peerCertificate() const { return m_connection.peerCertificate(); }
    qint64 bytesSent() const { return m_connection.bodyBytesSent(); }
    qint64 bytesTotal() const { return m_connection.bodyBytesTotal(); }
    /// The SIZE the server announced in the last EHLO; 0 when it named none.
    qint64 sizeLimit() const { return m_caps.sizeLimit; }

private:
    struct Capabilities
    {
        bool startTls = false;
        bool pipelining = false;
        bool size = false;
        bool smtpUtf8 = false;
        /// 0: the server names no limit.
        qint64 sizeLimit = 0;
        QList<QByteArray> auth;
    };

    Outcome greet();
    Outcome hello();
    Outcome secure();
    Outcome logIn();
    Outcome tryMechanism(const QByteArray &mechanism, bool &next);
    struct LookAhead
    {
        QByteArray from;
        QByteArray recipient;
        bool utf8 = false;
    };

    QList<QByteArray> envelopeLines(const QByteArray &from, const QByteArray &recipient, qint64 size, bool utf8) const;
    Outcome envelope(const QByteArray &from, const QByteArray &recipient, qint64 size, bool utf8, bool written);
    Outcome body(const QList<QByteArray> &message, const QByteArray &from, const QByteArray &next);
    Outcome resetAfterRefusal();
    Outcome command(const QByteArray &line, SmtpReply &reply, SmtpFailure step);
    Outcome read(SmtpReply &reply, SmtpFailure step, int timeoutMs = -1);
    Outcome lost(SmtpConnection::Status status, SmtpFailure step);
    Outcome refused(const SmtpReply &reply, SmtpFailure step);
    Outcome fail(SmtpFailure step, const QString &detail);
    void parseCapabilities(const SmtpReply &reply);
    QString stepText(SmtpFailure step) const;

    SmtpConnection m_connection;
    SmtpClientSettings m_settings;
    Capabilities m_caps;
    /// An envelope written ahead whose three replies are still to be read.
    std::optional<LookAhead> m_ahead;
    std::weak_ptr<bool> m_alive;
    std::function<void()> m_whileWaiting;
    SmtpFailure m_failure = SmtpFailure::None;
    int m_replyCode = 0;
    QString m_replyText;
    QString m_error;
};

} // namespace OrvVelmora
