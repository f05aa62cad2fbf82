#include "SmtpTestServer.h"
#include "TestServerProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

#include <algorithm>

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

QString numbered(int n)
{
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

} // namespace

SmtpTestServer::~SmtpTestServer()
{
    if (m_process)
        stopTestServer(*m_process);
}

bool SmtpTestServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    const Options &o = m_options;
    QStringList arguments{QStringLiteral("-W"), QStringLiteral("ignore")};
    if (o.fault.isEmpty()) {
        arguments << script("smtp_test_server.py") << QStringLiteral("--port") << QString::number(o.port);
        for (const auto &[on, flag] : {std::pair{o.startTls, "--tls"},
                                       {o.implicitTls, "--implicit-tls"},
                                       {o.requireStartTls, "--require-starttls"},
                                       {o.shortPort, "--short-port"}})
            if (on)
                arguments << QLatin1String(flag);
        if (!o.user.isEmpty())
            arguments << QStringLiteral("--auth") << o.user + QLatin1Char(':') + o.password;
        if (!o.authMechanisms.isEmpty())
            arguments << QStringLiteral("--mechanisms") << o.authMechanisms.join(QLatin1Char(' '));
        if (!o.selfSigned.isEmpty())
            arguments << QStringLiteral("--self-signed") << o.selfSigned << QStringLiteral("--valid-days")
                      << QString::number(o.validDays);
        if (o.dropAfterMessages > 0)
            arguments << QStringLiteral("--drop-after") << QString::number(o.dropAfterMessages);
    } else {
        arguments << script("smtp_fault_server.py") << QStringLiteral("--mode") << o.fault;
    }
    arguments << QStringLiteral("--dir") << m_dir.path();

    m_process = std::make_unique<QProcess>();
    const QList<QByteArray> ready = startTestServer(*m_process, arguments);
    if (ready.isEmpty()) {
        m_error = QStringLiteral("server did not start: ") + QString::fromUtf8(m_process->readAllStandardError());
        return false;
    }
    m_port = static_cast<quint16>(ready[1].toUInt());
    return m_port != 0;
}

QString SmtpTestServer::sessionPath(int session) const
{
    return m_dir.filePath(QStringLiteral("sessions/") + numbered(session));
}

int SmtpTestServer::sessionCount() const
{
    return int(QDir(m_dir.filePath(QStringLiteral("sessions"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

QList<int> SmtpTestServer::messagesPerSession() const
{
    QList<int> counts;
    for (int s = 1; s <= sessionCount(); ++s)
        counts << int(QDir(sessionPath(s)).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
    return counts;
}

QList<QByteArray> SmtpTestServer::messages() const
{
    QList<QByteArray> all;
    const QList<int> counts = messagesPerSession();
    for (int s = 1; s <= counts.size(); ++s)
        for (int m = 1; m <= counts[s - 1]; ++m)
            all << message(s, m);
    return all;
}

QByteArray SmtpTestServer::message(int session, int index) const
{
    return readAll(sessionPath(session) + QLatin1Char('/') + numbered(index) + QStringLiteral(".eml"));
}

QStringList SmtpTestServer::envelope(int session, int index) const
{
    return QString::fromUtf8(
               readAll(sessionPath(session) + QLatin1Char('/') + numbered(index) + QStringLiteral(".envelope")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SmtpTestServer::commands(int session) const
{
    return QString::fromUtf8(readAll(sessionPath(session) + QStringLiteral("/commands.log")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SmtpTestServer::flights(int session) const
{
    return QString::fromUtf8(readAll(sessionPath(session) + QStringLiteral("/flights.log")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SmtpTestServer::lines(int session) const
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(readAll(sessionPath(session) + QStringLiteral("/lines.log")))
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << line.section(QLatin1Char(' '), 1);
    return lines;
}

QList<double> SmtpTestServer::sessionStarts() const
{
    QList<double> starts;
    for (int s = 1; s <= sessionCount(); ++s)
        starts << readAll(sessionPath(s) + QStringLiteral("/opened")).trimmed().toDouble();
    return starts;
}

QList<double> SmtpTestServer::mailTimes() const
{
    QList<double> times;
    for (int s = 1; s <= sessionCount(); ++s) {
        for (const QString &line : QString::fromUtf8(readAll(sessionPath(s) + QStringLiteral("/lines.log")))
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.section(QLatin1Char(' '), 1, 1).compare(QLatin1String("MAIL"), Qt::CaseInsensitive) == 0)
                times << line.section(QLatin1Char(' '), 0, 0).toDouble();
    }
    std::sort(times.begin(), times.end());
    return times;
}

QJsonObject SmtpTestServer::parse(const QByteArray &raw)
{
    QProcess python;
    python.start(QStringLiteral(ORV_SYSTEM_PYTHON), {script("smtp_parse_message.py")});
    python.write(raw);
    python.closeWriteChannel();
    return python.waitForFinished(30000) ? QJsonDocument::fromJson(python.readAllStandardOutput()).object()
                                         : QJsonObject();
}

bool SmtpTestServer::waitForClosedSessions(int count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
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
