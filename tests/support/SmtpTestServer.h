#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace OrvVelmora::Testing {

/// A real SMTP server on 127.0.0.1 for tests: tests/support/smtp_test_server.py (aiosmtpd),
/// or with Options::fault the misbehaving smtp_fault_server.py. It ends with this object.
/// Sessions count from 1 in opening order, messages within a session from 1; messages are
/// the raw bytes received, dot-stuffing undone.
/// Address markers: RCPT "refuse" -> 550 5.1.1, RCPT "reject-data" -> 554 5.6.0 after DATA,
/// MAIL "tempfail" -> 451 4.3.0, MAIL "tempfail-once" -> 451 for the server's first such MAIL only.
class SmtpTestServer
{
public:
    struct Options
    {
        bool startTls = false;        ///< offer STARTTLS; certificate from a private CA (caFile())
        bool implicitTls = false;     ///< TLS from the first byte
        bool requireStartTls = false; ///< only EHLO/STARTTLS/QUIT before STARTTLS
        QString user{};               ///< non-empty: AUTH offered, only these credentials pass
        QString password{};
        QStringList
            authMechanisms{}; ///< out of PLAIN, LOGIN, CRAM-MD5, XOAUTH2 (password = token); empty: PLAIN and LOGIN
        int dropAfterMessages = 0; ///< > 0: close each session after this many messages
        /// "greeting421", "silent", "endless-line", "drop-in-data", "starttls-refused", or a
        /// dialogue (PIPELINING, SIZE 100000) that accepts anna/richtig: "plain", "exchange-auth" (GSSAPI NTLM CRAM-MD5
        /// LOGIN, CRAM-MD5 answered 504), "echo-password" (535 quotes the credentials),
        /// "quit-late" (30 s), "quit-never", "endless-continuation" (EHLO), "drop-after-data"
        /// (hangs up instead of answering the body), "slow" (each reply 0.3 s late), "helo-only"
        /// (EHLO 502, HELO 250), "trickle" (EHLO reply lines 0.4 s apart), "drop-announced"
        /// (keeps a message, then hangs up when commands came with its end), "dovecot-like" (the
        /// same behind a Dovecot greeting), "connection-limit" (the first session ends after
        /// three messages, every later one gets 421 4.7.0 at the greeting), "connection-limit-recovers"
        /// (only sessions 2 and 3 get it). MAIL markers m421/m450/m552/m-silent/m-hangup, RCPT "r451" (451 4.3.0) and
        /// "refuse" as above; a declared SIZE= above 100000 gets 552 5.3.4.
        QString fault{};
        /// With startTls: a self-signed certificate with this common name
        /// instead of one from the private CA, valid for validDays (-1: expired).
        QString selfSigned{};
        int validDays = 2;
        quint16 port = 0;       ///< 0: a free port
        bool shortPort = false; ///< a free port below 10000 (for four-character port fields)
    };

    SmtpTestServer()
        : SmtpTestServer(Options{})
    {
    }
    explicit SmtpTestServer(Options options)
        : m_options(std::move(options))
    {
    }
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer &) = delete;
    SmtpTestServer &operator=(const SmtpTestServer &) = delete;

    /// Starts the server and waits until it listens; false with errorText() otherwise.
    bool start();
    QString errorText() const { return m_error; }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    QString caFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    QString directory() const { return m_dir.path(); }

    int sessionCount() const;
    QList<int> messagesPerSession() const;
    QList<QByteArray> messages() const;
    QByteArray message(int session, int index) const;
    /// "MAIL <from>" and "RCPT <to>" lines of one accepted message.
    QStringList envelope(int session, int index) const;
    /// Command lines as received ("AUTH <mechanism>" only; unknown ones "UNRECOGNIZED").
    QStringList commands(int session) const;
    /// "<read number> <verb>" per command (fault server only): equal numbers came in one flight.
    QStringList flights(int session) const;
    /// Whole command lines as received (fault server only; AUTH without its payload).
    QStringList lines(int session) const;
    /// When each session was opened, in seconds since the epoch (fault server only).
    QList<double> sessionStarts() const;
    /// When each MAIL arrived, in seconds since the epoch, over all sessions (fault server only).
    QList<double> mailTimes() const;
    /// Runs the event loop until at least this many sessions have ended.
    bool waitForClosedSessions(int count, int timeoutMs = 5000) const;

    /// The message read back by Python's email package: "headers" (name -> decoded values),
    /// "headerLines", "maxLineLength", "bareLineEnds", "structure" (e.g. "multipart/mixed(
    /// text/plain,application/pdf)"), "parts" (leaves: contentType, charset, filename, text or
    /// base64 data, zipEntries). Empty when parsing failed.
    static QJsonObject parse(const QByteArray &raw);

private:
    QString sessionPath(int session) const;

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace OrvVelmora::Testing
