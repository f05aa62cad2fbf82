#include "MailServerStack.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <unistd.h>

namespace OrvVelmora::Testing {

namespace {

/// The port when it is free on loopback (0: any free one); 0 when taken.
quint16 freePort(quint16 wanted = 0)
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, wanted) ? probe.serverPort() : 0;
}

bool write(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

QString read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool listens(quint16 port, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(100);
    }
    return false;
}

/// Runs a command to its end; its output when it failed, empty when it did not.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return program + QStringLiteral(": ") + QString::fromUtf8(process.readAll()) + process.errorString();
    return {};
}

const char kDovecotConfig[] = R"(base_dir = %1/dovecot-run
state_dir = %1/dovecot-state
log_path = %1/dovecot.log
protocols = submission
listen = 127.0.0.1
default_internal_user = dovecot
default_login_user = dovenull
ssl = required
ssl_cert = <%2/server.pem
ssl_key = <%2/server.key
auth_mechanisms = plain login
passdb {
  driver = passwd-file
  args = scheme=PLAIN %1/passwd
}
userdb {
  driver = static
  args = uid=nobody gid=nogroup home=%1/home
}
mail_location = maildir:%1/mail
hostname = submission.test
submission_relay_host = 127.0.0.1
submission_relay_port = %3
submission_relay_trusted = yes
service submission-login {
  inet_listener submission {
    port = %4
  }
}
service auth {
  unix_listener auth-postfix {
    mode = 0666
  }
}
service anvil {
  chroot =
}
service stats {
  chroot =
}
)";

const char kPostfixMain[] = R"(compatibility_level = 3.6
queue_directory = %1/postfix-queue
data_directory = %1/postfix-data
maillog_file = %1/postfix.log
maillog_file_prefixes = %1
mail_owner = postfix
setgid_group = postdrop
myhostname = postfix.test
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
relayhost = [127.0.0.1]:%3
smtp_tls_security_level = none
smtpd_tls_cert_file = %2/server.pem
smtpd_tls_key_file = %2/server.key
smtpd_sasl_type = dovecot
smtpd_sasl_path = %1/dovecot-run/auth-postfix
smtpd_sasl_auth_enable = yes
smtpd_tls_auth_only = yes
smtpd_relay_restrictions = permit_sasl_authenticated, reject
smtpd_helo_required = yes
smtpd_helo_restrictions = %4
smtpd_client_message_rate_limit = %5
smtpd_client_event_limit_exceptions =
anvil_rate_time_unit = 60s
)";

const char kPostfixMaster[] = R"(%1 inet n - n - - smtpd -o smtpd_tls_security_level=encrypt
%2 inet n - n - - smtpd -o smtpd_tls_wrappermode=yes
pickup unix n - n 60 1 pickup
cleanup unix n - n - 0 cleanup
qmgr unix n - n 300 1 qmgr
tlsmgr unix - - n 1000? 1 tlsmgr
rewrite unix - - n - - trivial-rewrite
bounce unix - - n - 0 bounce
defer unix - - n - 0 bounce
trace unix - - n - 0 bounce
verify unix - - n - 1 verify
flush unix n - n 1000? 0 flush
proxymap unix - - n - - proxymap
smtp unix - - n - - smtp
relay unix - - n - - smtp
showq unix n - n - - showq
error unix - - n - - error
retry unix - - n - - error
discard unix - - n - - discard
anvil unix - - n - 1 anvil
scache unix - - n - 1 scache
postlog unix-dgram n - n - 1 postlogd
)";

} // namespace

MailServerStack::MailServerStack(Options options)
    : m_options(options)
{
}

MailServerStack::~MailServerStack()
{
    if (m_postfixStarted)
        run(QStringLiteral("/usr/sbin/postfix"),
            {QStringLiteral("-c"), path(QStringLiteral("postfix")), QStringLiteral("stop")});
    if (m_dovecot.state() != QProcess::NotRunning) {
        m_dovecot.terminate();
        if (!m_dovecot.waitForFinished(5000))
            m_dovecot.kill();
        m_dovecot.waitForFinished(2000);
    }
}

QString MailServerStack::start()
{
    if (::geteuid() != 0)
        return QStringLiteral("Dovecot and Postfix switch users and need root");
    for (const char *program : {"/usr/sbin/dovecot", "/usr/lib/dovecot/submission", "/usr/sbin/postfix"})
        if (!QFile::exists(QString::fromLatin1(program)))
            return QStringLiteral("%1 is not installed").arg(QString::fromLatin1(program));
    // The servers' own users must reach their files under the folder.
    QFile::setPermissions(m_dir.path(),
                          QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                              QFile::ExeGroup);
    m_relay = std::make_unique<SmtpTestServer>(SmtpTestServer::Options{.startTls = true});
    if (!m_relay->start())
        return m_relay->errorText();
    QString problem = startDovecot();
    if (problem.isEmpty() && m_options.postfix)
        problem = startPostfix();
    return problem;
}

QString MailServerStack::startDovecot()
{
    m_dovecotPort = freePort();
    const QString relayDir = m_relay->directory();
    const QString config =
        QString::fromLatin1(kDovecotConfig).arg(m_dir.path(), relayDir).arg(m_relay->port()).arg(m_dovecotPort);
    const QString greeting =
        m_options.anonymousDovecot ? QStringLiteral("login_greeting = Mail service ready.\n") : QString();
    if (!write(path(QStringLiteral("dovecot.conf")), config + greeting) ||
        !write(path(QStringLiteral("passwd")),
               user() + QStringLiteral(":{PLAIN}") + password() + QStringLiteral("::::::\n")))
        return QStringLiteral("cannot write Dovecot's configuration");
    m_dovecot.setProcessChannelMode(QProcess::MergedChannels);
    m_dovecot.start(QStringLiteral("/usr/sbin/dovecot"),
                    {QStringLiteral("-F"), QStringLiteral("-c"), path(QStringLiteral("dovecot.conf"))});
    if (!listens(m_dovecotPort, 10000))
        return QStringLiteral("Dovecot did not start: ") + QString::fromUtf8(m_dovecot.readAll()) +
            read(path(QStringLiteral("dovecot.log")));
    return {};
}

QString MailServerStack::startPostfix()
{
    m_submissionPort = freePort();
    // The client speaks TLS from the first byte on port 465 alone.
    m_smtpsPort = freePort(465);
    if (m_smtpsPort == 0)
        return QStringLiteral("port 465 is taken");
    const QString etc = path(QStringLiteral("postfix"));
    for (const char *folder : {"postfix", "postfix-queue", "postfix-data"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(folder));
    const QString helo = m_options.strictHelo ? QStringLiteral("reject_non_fqdn_helo_hostname") : QString();
    const QString main = QString::fromLatin1(kPostfixMain)
                             .arg(m_dir.path(), m_relay->directory())
                             .arg(m_relay->port())
                             .arg(helo)
                             .arg(m_options.messageRateLimit);
    if (!write(etc + QStringLiteral("/main.cf"), main) ||
        !write(etc + QStringLiteral("/master.cf"),
               QString::fromLatin1(kPostfixMaster).arg(m_submissionPort).arg(m_smtpsPort)))
        return QStringLiteral("cannot write Postfix's configuration");
    if (QString problem =
            run(QStringLiteral("/usr/bin/chown"), {QStringLiteral("postfix"), path(QStringLiteral("postfix-data"))});
        !problem.isEmpty())
        return problem;
    if (const QString problem =
            run(QStringLiteral("/usr/sbin/postfix"), {QStringLiteral("-c"), etc, QStringLiteral("start")});
        !problem.isEmpty())
        return problem + read(path(QStringLiteral("postfix.log")));
    m_postfixStarted = true;
    if (!listens(m_submissionPort, 10000) || !listens(m_smtpsPort, 10000))
        return QStringLiteral("Postfix did not start: ") + read(path(QStringLiteral("postfix.log")));
    return {};
}

int MailServerStack::delivered(int count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const int held = int(m_relay->messages().size());
        if (held >= count || deadline.hasExpired())
            return held;
        QCoreApplication::processEvents();
        QThread::msleep(100);
    }
}

int MailServerStack::dovecotSessions() const
{
    return int(read(path(QStringLiteral("dovecot.log"))).count(QStringLiteral("submission-login: Info: Login:")));
}

int MailServerStack::postfixSessions() const
{
    // One line per session that logged in; the port probes at start-up never do.
    // Postfix logs through a service of its own, so the last line may lag.
    int sessions = -1;
    for (int i = 0; i < 30; ++i) {
        const QStringList lines = read(path(QStringLiteral("postfix.log"))).split(QLatin1Char('\n'));
        const int now =
            int(lines.filter(QStringLiteral("]: disconnect from ")).filter(QStringLiteral(" auth=")).size());
        if (now == sessions)
            break;
        sessions = now;
        QThread::msleep(100);
    }
    return sessions;
}

} // namespace OrvVelmora::Testing
