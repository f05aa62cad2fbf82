#include "PostgresTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace OrvVelmora::Testing {

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin");

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

QStringList asServerUser(const QStringList &command)
{
    if (::geteuid() != 0)
        return command;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                       QStringLiteral("--")}
        + command;
}

} // namespace

PostgresTestServer::PostgresTestServer() = default;

PostgresTestServer::~PostgresTestServer()
{
    if (m_started)
        run({kBin + QStringLiteral("/pg_ctl"), QStringLiteral("stop"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data"))},
            30000);
}

QString PostgresTestServer::unavailableReason()
{
    for (const char *tool : {"initdb", "pg_ctl", "postgres"}) {
        if (!QFileInfo(kBin + QLatin1Char('/') + QLatin1String(tool)).isExecutable())
            return QStringLiteral("PostgreSQL server binaries not found in %1 (package postgresql-15)")
                .arg(kBin);
    }
    return QString();
}

bool PostgresTestServer::run(const QStringList &command, int timeoutMs, bool asServer)
{
    const QStringList full = asServer ? asServerUser(command) : command;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(full.first(), full.mid(1));
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = full.join(QLatin1Char(' ')) + QStringLiteral(" failed: ")
            + QString::fromLocal8Bit(process.readAll());
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return true;
}

bool PostgresTestServer::start()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/orv-pg-XXXXXX"));
    m_port = freeLoopbackPort();
    if (!m_dir->isValid() || m_port == 0) {
        m_error = QStringLiteral("no temporary folder or no free port");
        return false;
    }
    if (::geteuid() == 0
        && !run({QStringLiteral("chown"), QStringLiteral("postgres:"), m_dir->path()}, 10000, false))
        return false;
    const QString data = m_dir->filePath(QStringLiteral("data"));
    if (!run({kBin + QStringLiteral("/initdb"), QStringLiteral("-D"), data, QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale")},
             120000))
        return false;
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 "
                                           "-c log_statement=all -c fsync=off")
                                .arg(m_port)
                                .arg(m_dir->path());
    m_started = run({kBin + QStringLiteral("/pg_ctl"), QStringLiteral("start"), QStringLiteral("-w"),
                     QStringLiteral("-D"), data, QStringLiteral("-l"),
                     m_dir->filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options},
                    60000);
    return m_started;
}

QString PostgresTestServer::log() const
{
    QFile file(m_dir->filePath(QStringLiteral("server.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace OrvVelmora::Testing
