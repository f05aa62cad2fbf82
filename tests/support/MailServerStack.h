#pragma once

#include "SmtpTestServer.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace OrvVelmora::Testing {

/// Real mail servers nobody here wrote, each a private instance under one
/// temporary folder: Debian's Dovecot submission service (login from a
/// passwd file) and, on request, Postfix started with "postfix -c" on a
/// submission port with STARTTLS and an implicit-TLS port, logging in through
/// that Dovecot. Both use a certificate from a CA made for the test and relay
/// everything to relay(), the recording test server, which counts what
/// arrives. Never the machine's own Dovecot or Postfix.
///
/// Both need root (their services switch users); start() says why not otherwise.
class MailServerStack
{
public:
    struct Options
    {
        bool postfix = false;
        /// Postfix refuses a greeting that is neither a qualified name nor an address literal.
        bool strictHelo = false;
        /// Postfix: MAIL commands per minute and client (0: no limit).
        int messageRateLimit = 0;
        /// Dovecot greets without naming itself, as its owner may configure it.
        bool anonymousDovecot = false;
    };

    explicit MailServerStack(Options options);
    ~MailServerStack();
    MailServerStack(const MailServerStack &) = delete;
    MailServerStack &operator=(const MailServerStack &) = delete;

    /// Empty when every server listens; otherwise why not.
    QString start();

    quint16 dovecotPort() const { return m_dovecotPort; }
    quint16 postfixSubmissionPort() const { return m_submissionPort; }
    quint16 postfixSmtpsPort() const { return m_smtpsPort; }
    QString caFile() const { return m_relay->caFile(); }
    static QString user() { return QStringLiteral("anna"); }
    static QString password() { return QStringLiteral("Ge#heim-2024"); }

    SmtpTestServer &relay() { return *m_relay; }
    /// Waits until the relay holds at least `count` messages (Postfix delivers
    /// from its queue) or the time is up; the number it holds.
    int delivered(int count, int timeoutMs = 20000) const;
    /// Sessions in which our client logged in to Dovecot's submission service.
    int dovecotSessions() const;
    /// Sessions in which our client logged in to Postfix, on either port.
    int postfixSessions() const;

private:
    QString startDovecot();
    QString startPostfix();
    QString path(const QString &name) const { return m_dir.filePath(name); }

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<SmtpTestServer> m_relay;
    QProcess m_dovecot;
    bool m_postfixStarted = false;
    quint16 m_dovecotPort = 0;
    quint16 m_submissionPort = 0;
    quint16 m_smtpsPort = 0;
};

} // namespace OrvVelmora::Testing
