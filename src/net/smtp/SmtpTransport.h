#pragma once

#include <QByteArray>
#include <QObject>
#include <QSslCertificate>
#include <QString>

#include "net/smtp/SmtpReply.h"

#include <functional>
#include <memory>
#include <optional>

namespace OrvVelmora {

struct SmtpClientSettings;
struct SmtpMessageContent;

/// Sends personalised messages over one SMTP session at a time.
///
/// The settings are plain values written before Connect() and kept until
/// written again. Connect() opens one SMTP session and completes greeting,
/// EHLO, TLS and authentication; every Send() carries exactly one message over
/// that session until Disconnect() says QUIT. A failed Send() either leaves the
/// session usable or closes it, and IsConnected() reports which, so the caller
/// reconnects when needed: a failure found before anything is sent (a bad
/// address, an unreadable attachment) keeps the session, and so does a refusal
/// of the sender, the recipient or the message; a 421, a lost connection or a
/// timeout ends it.
///
/// Transport security:
/// - port 465 speaks TLS from the first byte (implicit TLS);
/// - on every other port STARTTLS is required; a server that does not offer it
///   or fails it makes Connect() fail before any credential is sent. Servers on
///   a loopback address ("localhost", 127.0.0.0/8, ::1) are the exception: they
///   get STARTTLS when they offer it and plain SMTP otherwise;
/// - certificates are checked against the system's trust store including the
///   host name; setCAFile() adds a private CA (the caller takes its path from
///   the key "CAFile" in the section "Velmora" of the settings file; the
///   component only reads that key).
/// The password never appears in LastError() or any trace.
///
/// Waiting on the network never blocks the window: the transport lets pending
/// events run at short intervals through PlatformServices while it waits, and
/// every wait is bounded by ConnectTimeout() and Timeout(). Calls made from
/// inside those event runs are never nested: a second Send or Connect is
/// refused; Disconnect gives a connect up at once and closes after a message
/// in flight has been finished; deleting the transport is safe too.
class SmtpTransport : public QObject
{
    Q_OBJECT
public:
    /// Send(): the connection was lost after the end-of-data marker and before
    /// the server's reply; the message may have arrived. It is never resent.
    static constexpr qint32 SendUncertain = -2;

    /// The step the last Connect() or Send() failed at.
    using Failure = SmtpFailure;

    explicit SmtpTransport(QObject *parent = nullptr);
    ~SmtpTransport() override;
    Q_DISABLE_COPY(SmtpTransport)

    QString Server() const;
    void setServer(const QString &server);
    qint32 Port() const;
    /// 0 or a negative port means the SMTP default port 25.
    void setPort(qint32 port);
    QString UserName() const;
    void setUserName(const QString &userName);
    QString Password() const;
    void setPassword(const QString &password);
    /// Authentication happens only with this flag on and a non-empty UserName;
    /// the mechanism is the best of those the server offers out of CRAM-MD5,
    /// PLAIN and LOGIN (XOAUTH2 with an access token); others are skipped.
    bool UseAuthentication() const;
    void setUseAuthentication(bool on);

    QString FromName() const;
    void setFromName(const QString &name);
    QString FromAddress() const;
    void setFromAddress(const QString &address);
    QString Organization() const;
    void setOrganization(const QString &organization);
    /// Empty: no Reply-To header.
    QString ReplyTo() const;
    void setReplyTo(const QString &address);
    QString Recipient() const;
    void setRecipient(const QString &address);
    QString Subject() const;
    void setSubject(const QString &subject);
    /// The plain text of the message.
    QString Body() const;
    void setBody(const QString &body);
    /// HTML form of the message; empty sends the plain text alone.
    QString FormattedBody() const;
    void setFormattedBody(const QString &html);
    /// 1 high, 3 normal, 5 low (X-Priority and Importance). 2 counts as high,
    /// 4 as low, anything else as normal.
    qint32 Priority() const;
    void setPriority(qint32 priority);
    /// Asks for a read receipt to the sender's address (Disposition-Notification-To).
    bool ReadReceipt() const;
    void setReadReceipt(bool on);

    /// The host name announced in EHLO; empty means this machine's host name.
    QString HeloName() const;
    void setHeloName(const QString &name);
    /// The envelope sender (MAIL FROM) where bounces go; empty means FromAddress.
    QString BounceAddress() const;
    void setBounceAddress(const QString &address);
    /// On (the default): the TLS rules above. Off: plain SMTP, allowed only to a
    /// loopback server (a local relay); Connect() refuses any other server.
    bool UseTls() const;
    void setUseTls(bool on);
    /// Seconds allowed for reaching the server and completing the greeting (default 10, at least 1).
    qint32 ConnectTimeout() const;
    void setConnectTimeout(qint32 seconds);
    /// How often Send() repeats a message the server refused temporarily (4xx);
    /// 0 (the default) never repeats. A repeat goes over the same session, or
    /// over a fresh one when the server ended it (the only case where a session
    /// starts without Connect()).
    qint32 RetryCount() const;
    void setRetryCount(qint32 count);
    /// Seconds the server may stay silent during the dialogue before the
    /// operation fails (default 60, at least 1). Disconnect() waits at most
    /// two seconds for the server's goodbye.
    qint32 Timeout() const;
    void setTimeout(qint32 seconds);
    /// A PEM file with further trusted CA certificates, used besides the system's trust store.
    QString CAFile() const;
    void setCAFile(const QString &path);

    /// Work the caller wants done while the server takes in a message: run
    /// once per Send(), after the message has been written and before its
    /// answer is awaited, so that a mailing prepares its next message in the
    /// time the round trip costs anyway. The work must not use the transport;
    /// what it throws is logged and dropped. An empty function turns it off.
    void setWhileWaiting(std::function<void()> work);
    /// Builds now the message a later Send() with this recipient, subject,
    /// bodies and Message-ID (see setMessageId) and every other setting as it
    /// is will send, so that Send() finds it ready. The one call the work
    /// above may make; a message that cannot be built is left for Send() to report.
    void prepareMessage(const QString &recipient, const QString &subject, const QString &body,
                        const QString &formattedBody, const QString &messageId);

    /// Message-ID of the following messages (without angle brackets); empty: a
    /// new one for every message.
    QString MessageId() const;
    void setMessageId(const QString &id);
    /// Non-empty: log in with XOAUTH2 as UserName with this token instead of a password.
    void setOAuthAccessToken(const QString &token);
    /// Raw SHA-256 of a certificate the user chose to trust for this server even
    /// though the trust store does not; empty: none. Another untrusted
    /// certificate then fails with Failure::CertificateChanged.
    void setTrustedCertificate(const QByteArray &sha256);
    /// The certificate the server presented in the last handshake (null without one).
    QSslCertificate PeerCertificate() const;
    /// On (the default): the TLS rules above. Off: a server that does not offer
    /// STARTTLS is spoken to unencrypted, and then never with a login.
    void setRequireEncryption(bool on);

    /// Test-only switch: with it on, a loopback server is held to the same TLS
    /// rules as any other server.
    void setLoopbackTreatedAsRemote(bool on);

    /// Announces the recipient of the message expected after the next Send(),
    /// which then sends that message's envelope along with its own end (when
    /// the server allows pipelining), saving a round trip per message. Applies
    /// to the next Send() only; empty announces nothing. If a different or no
    /// message follows, the announcement is withdrawn without delivering anything.
    void setNextRecipient(const QString &address);

    /// Forgets every attachment and its read or packed copy.
    void ClearAttachments();
    /// The file goes with every following message; with zip, as a ZIP archive
    /// named after the file with ".zip" appended, holding the file under its own
    /// name. The file is read (and packed) once, by the first Send() that needs it.
    void AddAttachment(const QString &path, bool zip);

    /// Opens the session; false with LastError() on any failure.
    bool Connect();
    /// True while the session is open (false once the server dropped it).
    bool IsConnected() const;
    /// Sends one message to Recipient(). Returns the number of messages this
    /// session has carried (>= 1) on success, a negative number on failure: the
    /// server's reply code negated (e.g. -550), or -1 for a failure without one.
    qint32 Send();
    /// German description of the last failure, with the server's reply where there was one.
    QString LastError() const;
    /// What the last Connect() or Send() failed at; None after a success.
    Failure LastFailure() const;
    /// The server's reply code for the failed step; 0 when there was none.
    int LastReplyCode() const;
    /// That reply's text with its enhanced status code, credentials scrubbed.
    QString LastReplyText() const;
    /// Says QUIT and closes the session; harmless when none is open.
    void Disconnect();
    /// The largest message the server announced (SIZE) in the last session,
    /// kept after it closed; 0 when it named none or no session was opened yet.
    qint64 ServerSizeLimit() const;

Q_SIGNALS:
    /// Whole percentage of the current message's bytes transferred; ends at 100.
    void Progress(qint32 percent);
    /// Sent before each message; the value carries no meaning.
    void ProgressReset(qint32 unused);

private:
    bool refuseWhileBusy();
    bool closeSession();
    std::optional<SmtpClientSettings> sessionSettings();
    QByteArray heloName() const;
    bool openSession(const SmtpClientSettings &settings);
    void failLocally(const QString &text);
    void takeFailure();
    std::optional<QList<QByteArray>> buildMessage();
    /// What differs from one recipient's message to the next.
    struct PersonalParts
    {
        QString recipient;
        QString subject;
        QString body;
        QString formattedBody;
        QString messageId;
    };
    std::optional<SmtpMessageContent> messageContent(const PersonalParts &personal, QString &refusal);
    qint32 transfer(const QByteArray &from, const QByteArray &recipient, const QList<QByteArray> &message,
                    const QByteArray &next);
    std::optional<bool> retryAfter(int replyCode, int attempt);
    std::optional<bool> reopenSession();
    std::optional<bool> matchLookAhead(const QByteArray &from, const QByteArray &recipient,
                                       const QList<QByteArray> &message);
    bool withdrawLookAhead();
    qint32 finishSent();
    void duringTransfer();
    void reportProgress();

    class Private;
    std::unique_ptr<Private> d;
};

} // namespace OrvVelmora
