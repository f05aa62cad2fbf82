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

/// A real SMTP server for tests: /usr/bin/python3 running an aiosmtpd server
/// (tests/support/smtp_test_server.py) on a free port of 127.0.0.1, or, with
/// Options::fault set, a small server that misbehaves on purpose
/// (tests/support/smtp_fault_server.py). The process ends with this object.
///
/// Everything the server saw is recorded in a temporary directory and read back
/// here: sessions are numbered from 1 in the order they were opened, messages
/// within a session from 1. Messages are the raw bytes the server received
/// (dot-stuffing already undone), so a test can parse them back.
///
/// Recipient markers understood by the aiosmtpd server (anywhere in the address):
///   "refuse"        RCPT is answered "550 5.1.1 <address>: user unknown"
///   "reject-data"   the message is answered "554 5.6.0 Message content rejected"
/// Sender (MAIL FROM) markers:
///   "tempfail"      MAIL is answered "451 4.3.0 Temporary local problem"
///   "tempfail-once" the same, but only for the first such MAIL of the server's life
///
/// Typical use:
///   SmtpTestServer server({.startTls = true, .user = "anna", .password = "geheim"});
///   ASSERT_TRUE(server.start()) << server.errorText();
///   transport.setServer(server.host()); transport.setPort(server.port());
///   transport.setCAFile(server.caFile());
///   ... Connect / Send / Disconnect ...
///   ASSERT_TRUE(server.waitForClosedSessions(1));
///   EXPECT_EQ(server.messagesPerSession(), QList<int>{3});
class SmtpTestServer
{
public:
    struct Options
    {
        /// Offer STARTTLS with a certificate for 127.0.0.1 and "localhost",
        /// issued by a CA made for this server (see caFile()).
        bool startTls = false;
        /// Speak TLS from the first byte instead (same certificate).
        bool implicitTls = false;
        /// Refuse everything but EHLO/STARTTLS/QUIT before STARTTLS.
        bool requireStartTls = false;
        /// Non-empty: AUTH is offered and only these credentials pass.
        QString user{};
        QString password{};
        /// The AUTH mechanisms offered, out of "PLAIN", "LOGIN", "CRAM-MD5"; empty: PLAIN and LOGIN.
        QStringList authMechanisms{};
        /// > 0: the server closes each session after accepting this many messages.
        int dropAfterMessages = 0;
        /// Non-empty: run the misbehaving server instead; one of
        /// "greeting421", "silent", "endless-line", "drop-in-data", "starttls-refused".
        QString fault{};
        /// 0: a free port; otherwise this port (e.g. 465 to test implicit TLS).
        quint16 port = 0;
    };

    SmtpTestServer();
    explicit SmtpTestServer(Options options);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer &) = delete;
    SmtpTestServer &operator=(const SmtpTestServer &) = delete;

    /// Starts the server and waits until it listens; false with errorText() otherwise.
    bool start();
    QString errorText() const { return m_error; }

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return m_port; }
    /// The PEM file of the CA that issued the server certificate (TLS options only).
    QString caFile() const;
    /// The directory holding the recordings.
    QString directory() const { return m_dir.path(); }

    /// Sessions opened so far (connections accepted).
    int sessionCount() const;
    /// Messages accepted in each session, in session order.
    QList<int> messagesPerSession() const;
    /// All accepted messages, in order of sessions, then of messages.
    QList<QByteArray> messages() const;
    /// One message; session and index count from 1. Empty when there is none.
    QByteArray message(int session, int index) const;
    /// "MAIL <from>" and "RCPT <to>" lines of one accepted message.
    QStringList envelope(int session, int index) const;
    /// The command lines of one session as received (AUTH lines show the
    /// mechanism only); lines the server did not recognise read "UNRECOGNIZED".
    QStringList commands(int session) const;
    /// Waits (running the event loop) until at least this many sessions have ended.
    bool waitForClosedSessions(int count, int timeoutMs = 5000) const;

    /// A raw message parsed by Python's email package (tests/support/smtp_parse_message.py):
    /// an independent reader of what the transport wrote. Keys: "headers" (name ->
    /// list of decoded values), "headerLines", "maxLineLength", "bareLineEnds",
    /// "structure" (e.g. "multipart/mixed(multipart/alternative(text/plain,text/html),application/pdf)"),
    /// "parts" (leaves in order: contentType, charset, filename, text or base64 data,
    /// zipEntries). An empty object when parsing failed.
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
