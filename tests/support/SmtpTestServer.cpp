#include "SmtpTestServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

namespace OrvVelmora::Testing {

namespace {

QString script(const char *name)
{
    return QStringLiteral(ORV_SOURCE_DIR "/tests/support/") + QLatin1String(name);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList lines(const QString &path)
{
    QStringList result = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

SmtpTestServer::SmtpTestServer() : SmtpTestServer(Options{}) {}

SmtpTestServer::SmtpTestServer(Options options) : m_options(std::move(options)) {}

SmtpTestServer::~SmtpTestServer()
{
    if (!m_process)
        return;
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(2000)) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

bool SmtpTestServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    QStringList arguments{QStringLiteral("-W"), QStringLiteral("ignore")};
    if (m_options.fault.isEmpty()) {
        arguments << script("smtp_test_server.py") << QStringLiteral("--port")
                  << QString::number(m_options.port);
        if (m_options.startTls)
            arguments << QStringLiteral("--tls");
        if (m_options.implicitTls)
            arguments << QStringLiteral("--implicit-tls");
        if (m_options.requireStartTls)
            arguments << QStringLiteral("--require-starttls");
        if (!m_options.user.isEmpty())
            arguments << QStringLiteral("--auth") << m_options.user + QLatin1Char(':') + m_options.password;
        if (!m_options.authMechanisms.isEmpty())
            arguments << QStringLiteral("--mechanisms") << m_options.authMechanisms.join(QLatin1Char(' '));
        if (m_options.dropAfterMessages > 0)
            arguments << QStringLiteral("--drop-after") << QString::number(m_options.dropAfterMessages);
    } else {
        arguments << script("smtp_fault_server.py") << QStringLiteral("--mode") << m_options.fault;
    }
    arguments << QStringLiteral("--dir") << m_dir.path();

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral(ORV_SYSTEM_PYTHON), arguments);
    QDeadlineTimer deadline(20000);
    while (!m_process->canReadLine() && !deadline.hasExpired()
           && m_process->state() != QProcess::NotRunning)
        m_process->waitForReadyRead(200);
    const QByteArray line = m_process->readLine().trimmed();
    if (!line.startsWith("READY ")) {
        m_error = QStringLiteral("server did not start: %1 %2")
                      .arg(QString::fromUtf8(line), QString::fromUtf8(m_process->readAllStandardError()));
        return false;
    }
    m_port = static_cast<quint16>(line.mid(6).toUInt());
    return m_port != 0;
}

QString SmtpTestServer::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.pem"));
}

QString SmtpTestServer::sessionPath(int session) const
{
    return m_dir.filePath(QStringLiteral("sessions/%1").arg(session, 3, 10, QLatin1Char('0')));
}

int SmtpTestServer::sessionCount() const
{
    return static_cast<int>(QDir(m_dir.filePath(QStringLiteral("sessions")))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

QList<int> SmtpTestServer::messagesPerSession() const
{
    QList<int> counts;
    for (int s = 1; s <= sessionCount(); ++s)
        counts << static_cast<int>(QDir(sessionPath(s)).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
    return counts;
}

QList<QByteArray> SmtpTestServer::messages() const
{
    QList<QByteArray> all;
    const QList<int> counts = messagesPerSession();
    for (int s = 1; s <= counts.size(); ++s) {
        for (int m = 1; m <= counts[s - 1]; ++m)
            all << message(s, m);
    }
    return all;
}

QByteArray SmtpTestServer::message(int session, int index) const
{
    return readAll(sessionPath(session) + QStringLiteral("/%1.eml").arg(index, 3, 10, QLatin1Char('0')));
}

QStringList SmtpTestServer::envelope(int session, int index) const
{
    return lines(sessionPath(session) + QStringLiteral("/%1.envelope").arg(index, 3, 10, QLatin1Char('0')));
}

QStringList SmtpTestServer::commands(int session) const
{
    return lines(sessionPath(session) + QStringLiteral("/commands.log"));
}

QJsonObject SmtpTestServer::parse(const QByteArray &raw)
{
    QProcess python;
    python.start(QStringLiteral(ORV_SYSTEM_PYTHON), {script("smtp_parse_message.py")});
    python.write(raw);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000))
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

bool SmtpTestServer::waitForClosedSessions(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        int closed = 0;
        for (int s = 1; s <= sessionCount(); ++s)
            closed += QFile::exists(sessionPath(s) + QStringLiteral("/closed")) ? 1 : 0;
        if (closed >= count)
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

} // namespace OrvVelmora::Testing
