#pragma once

#include "net/smtp/SmtpEnums.h"

#include <QByteArray>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace OrvVelmora {

struct SmtpEnvelope;

/// Sends personalised messages over one SMTP session at a time: the
/// component's own calls over SmtpSession, SmtpTransaction and
/// SmtpMessageBuilder, which take the account and the message as values.
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
/// Transport security follows the TLS mode (see SmtpTlsMode and SmtpSession):
/// certificates are checked against the system's trust store including the
/// host name; setCAFile() adds a private CA (the caller takes its path from
/// the key "CAFile" in the section "Velmora" of the settings file; the
/// component only reads that key). The password never appears in LastError()
/// or any trace.
///
/// Waiting on the network never blocks the window: the transport lets pending
/// events run at short intervals through PlatformServices while it waits, and
/// every wait is bounded by the connect time-out and the time-out. Calls made
/// from inside those event runs are never nested: a second Send or Connect is
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

    // The account. 0 or a negative port means the SMTP default port 25.
    void setServer(const QString &server);
    void setPort(qint32 port);
    void setUserName(const QString &userName);
    void setPassword(const QString &password);
    /// Authentication happens only with this flag on and a non-empty user name;
    /// the mechanism is the best of those the server offers out of CRAM-MD5,
    /// PLAIN and LOGIN (XOAUTH2 with an access token); others are skipped.
    void setUseAuthentication(bool on);

    // The sender and the message (see SmtpMessage for what each value does).
    void setFromName(const QString &name);
    void setFromAddress(const QString &address);
    void setOrganization(const QString &organization);
    void setReplyTo(const QString &address);
    void setRecipient(const QString &address);
    void setSubject(const QString &subject);
    void setBody(const QString &body);
    void setFormattedBody(const QString &html);
    void setPriority(qint32 priority);
    void setReadReceipt(bool on);

    /// The host name announced in EHLO; empty means this machine's host name.
    void setHeloName(const QString &name);
    /// Required by default; WhenOffered lets a relay without STARTTLS take the
    /// messages of an account without login; Off is for a relay on this machine.
    void setTlsMode(SmtpTlsMode mode);
    /// Seconds allowed for reaching the server and completing the greeting (default 10, at least 1).
    void setConnectTimeout(qint32 seconds);
    /// How often Send() repeats a message the server refused temporarily (4xx);
    /// 0 (the default) never repeats. A repeat goes over the same session, or
    /// over a fresh one when the server ended it (the only case where a session
    /// starts without Connect()).
    void setRetryCount(qint32 count);
    /// Seconds the server may stay silent during the dialogue before the
    /// operation fails (default 60, at least 1). Disconnect() waits at most
    /// two seconds for the server's goodbye.
    void setTimeout(qint32 seconds);
    /// A PEM file with further trusted CA certificates, used besides the system's trust store.
    void setCAFile(const QString &path);
    /// Raw SHA-256 of a certificate the user chose to trust for this server even
    /// though the trust store does not, with the handshake errors it may have;
    /// empty: none. Another untrusted certificate then fails with
    /// Failure::CertificateChanged, the same one with another error with
    /// Failure::CertificateUntrusted.
    void setTrustedCertificate(const QByteArray &sha256, const QList<QSslError::SslError> &acceptedErrors);
    /// Non-empty: log in with XOAUTH2 as the user with this token instead of a password.
    void setOAuthAccessToken(const QString &token);
    /// The certificate the server presented in the last handshake (null without
    /// one) and what the handshake found wrong with it.
    QSslCertificate PeerCertificate() const;
    QList<QSslError> PeerCertificateErrors() const;
    /// Test-only switch: with it on, a loopback server is held to the same TLS
    /// rules as any other server.
    void setLoopbackTreatedAsRemote(bool on);

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
    /// A personal attachment given here goes with that message alone (see
    /// setPersonalAttachment).
    void prepareMessage(const QString &recipient, const QString &subject, const QString &body,
                        const QString &formattedBody, const QString &messageId,
                        const QString &personalAttachment = QString());
    /// Message-ID of the following messages (without angle brackets); empty: a
    /// new one for every message.
    void setMessageId(const QString &id);
    /// Announces the recipient of the message expected after the next Send(),
    /// which then sends that message's envelope along with its own end (when
    /// the server allows pipelining), saving a round trip per message. Applies
    /// to the next Send() only; empty announces nothing. If a different or no
    /// message follows, the announcement is withdrawn without delivering anything.
    void setNextRecipient(const QString &address);
    /// Off: no envelope is announced, whatever setNextRecipient() says; each
    /// message's end goes alone and its reply is awaited (on by default).
    void setAnnounceAhead(bool on);
    /// The last Send() could not learn its message's fate because the server
    /// ended the session after a flight that carried the message's end together
    /// with the next envelope: a server that cannot take announcing ahead.
    bool announcedEndLost() const;
    /// The last Send() left the next message's envelope on its way.
    bool hasAnnounced() const;

    /// A file of the recipient's own that the following messages carry after
    /// the attachment list (an invoice); empty: none. Unlike the list it is
    /// read anew for each file, and only the last two are kept in memory.
    void setPersonalAttachment(const QString &path, bool zip);

    /// Forgets every attachment and its read or packed copy, personal files included.
    void ClearAttachments();
    /// The file goes with every following message; with zip, as a ZIP archive
    /// named after the file with ".zip" appended, holding the file under its own
    /// name. The file is read (and packed) once, by the first Send() that needs it.
    void AddAttachment(const QString &path, bool zip);

    /// Opens the session; false with LastError() on any failure.
    bool Connect();
    /// True while the session is open (false once the server dropped it).
    bool IsConnected() const;
    /// Sends one message to the recipient. Returns the number of messages this
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
    /// The largest message `server` announced (SIZE) in the last session,
    /// kept after it closed; 0 when it named none, or the last session (if
    /// any) was with another server.
    qint64 ServerSizeLimit(const QString &server) const;

Q_SIGNALS:
    /// Whole percentage of the current message's bytes transferred; ends at 100.
    void Progress(qint32 percent);
    /// Sent before each message; the value carries no meaning.
    void ProgressReset(qint32 unused);

private:
    class Private;

    bool refuseWhileBusy();
    bool closeSession();
    bool openSession();
    void failLocally(const QString &text);
    void takeFailure();
    std::optional<bool> loadAttachments(QString &refusal);
    qint32 transfer(const SmtpEnvelope &envelope, const QList<QByteArray> &message, const QByteArray &next);
    std::optional<bool> retryAfter(int replyCode, int attempt);
    std::optional<bool> reopenSession();
    std::optional<bool> matchLookAhead(const SmtpEnvelope &envelope);
    bool withdrawLookAhead();
    qint32 finishSent();
    void duringTransfer();
    void reportProgress();

    std::unique_ptr<Private> d;
};

} // namespace OrvVelmora
