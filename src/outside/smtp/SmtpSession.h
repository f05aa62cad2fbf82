#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

namespace OrvVelmora {

enum class SmtpTlsMode {
    Implicit,    ///< TLS from the first byte (port 465)
    Required,    ///< STARTTLS or nothing; no credential is sent without it
    WhenOffered, ///< STARTTLS when the server offers it, plain otherwise
    Off          ///< plain SMTP
};

struct SmtpSessionSettings
{
    QString host;
    int port = 25;
    QByteArray heloName;
    /// Empty: no authentication.
    QString user;
    QString password;
    SmtpTlsMode tls = SmtpTlsMode::Required;
    /// Extra trusted CAs (PEM), besides the system's trust store.
    QString caFile;
    int connectTimeout = 10;
    int ioTimeout = 60;
};

/// One SMTP session over libcurl.
///
/// libcurl sends one message per transfer and keeps the connection of an easy
/// handle alive between transfers, so the session is one easy handle inside
/// one multi handle (which owns the connection cache). open() runs a NOOP
/// transfer: that makes libcurl do greeting, EHLO, STARTTLS and AUTH up front,
/// so a wrong password or a refused handshake shows at connect time. close()
/// cleans the multi handle up, which says QUIT.
///
/// libcurl would silently open a fresh connection for a transfer whose cached
/// connection died; the socket callbacks only allow sockets during open(), so
/// one session is exactly one connection at the server, and they tell
/// isOpen() which socket to watch.
///
/// The transfers run through the multi interface in short polls so pending
/// window events run every few dozen milliseconds; every wait is bounded by the
/// connect timeout, the server response timeout and an idle timer of our own
/// that only server replies and sent body bytes reset (a reply line that never
/// ends does not count as an answer).
///
/// Server replies are taken from libcurl's debug callback (incoming protocol
/// lines). Outgoing lines are inspected for their command word only, to know
/// which step a reply answers; they are never stored, so credentials cannot
/// leak into an error text.
class SmtpSession
{
public:
    enum class Outcome { Done, Failed, Destroyed };

    SmtpSession();
    ~SmtpSession();
    SmtpSession(const SmtpSession &) = delete;
    SmtpSession &operator=(const SmtpSession &) = delete;

    Outcome open(const SmtpSessionSettings &settings);
    bool isOpen() const;
    /// One message; from and recipient are checked ASCII addresses.
    Outcome send(const QByteArray &from, const QByteArray &recipient, const QByteArray &message);
    /// Says QUIT (bounded by the response timeout) and closes.
    void close();
    /// Asks a running open() or send() to give up at its next poll.
    void abort() { m_abortRequested = true; }

    /// German description of the last failure, with the server's reply where there was one.
    QString errorText() const { return m_error; }
    /// The code of the server's last reply (0 when there was none).
    int replyCode() const { return m_replyCode; }
    /// Bytes of the current message handed to the server so far, and its size.
    qint64 bytesSent() const { return m_uploadPos; }
    qint64 bytesTotal() const { return m_upload.size(); }
    /// Called between polls while a transfer runs (outside libcurl's callbacks).
    void setPollHook(std::function<void()> hook) { m_pollHook = std::move(hook); }

private:
    static size_t onRead(char *buffer, size_t size, size_t count, void *self);
    static size_t onWrite(char *data, size_t size, size_t count, void *self);
    static int onDebug(void *handle, int type, char *data, size_t size, void *self);
    static int onOpenSocket(void *self, int purpose, void *address);
    static int onCloseSocket(void *self, int socket);

    bool configure(const SmtpSessionSettings &settings);
    bool setTrustStore(const QString &caFile);
    Outcome perform();
    bool waitForActivity();
    void onReplyLine(const QByteArray &line);
    void onCommand(const char *data, size_t size);
    void touch();
    void fail(int curlCode);
    QString describe(int curlCode) const;
    QString stepRefusal() const;

    void *m_multi = nullptr;
    void *m_easy = nullptr;
    void *m_recipients = nullptr;
    QSet<int> m_sockets;
    bool m_mayOpenSockets = false;
    bool m_abortRequested = false;
    bool m_timedOut = false;
    bool m_quitting = false;
    int m_ioTimeout = 60;
    QDeadlineTimer m_idleDeadline;
    QByteArray m_upload;
    qint64 m_uploadPos = 0;
    QByteArray m_step;
    QByteArray m_pendingReply;
    QString m_reply;
    int m_replyCode = 0;
    QString m_server;
    QString m_error;
    std::function<void()> m_pollHook;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace OrvVelmora
