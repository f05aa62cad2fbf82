#include "CustomerDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace OrvVelmora::Testing {

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

QString postgresUnavailable()
{
    for (const char *tool : {"initdb", "pg_ctl", "postgres"})
        if (!QFileInfo(kBin + QLatin1String(tool)).isExecutable())
            return QStringLiteral("PostgreSQL server binaries not found in %1 (package postgresql-15)").arg(kBin);
    return QString();
}

/// One throw-away PostgreSQL cluster for the whole test program (starting one takes seconds): reached only
/// through a socket in its own folder, logging every statement, started on first use, deleted at the run's end.
/// The server refuses root, so under root it runs as the postgres user.
class PostgresServer final : public ::testing::Environment
{
public:
    /// The socket folder, or empty with error() set when initdb or the start failed.
    QString socketFolder()
    {
        if (!m_tried) {
            m_tried = true;
            start();
        }
        return m_started ? m_dir->path() : QString();
    }
    QString error() const { return m_error; }
    QString log() const
    {
        QFile file(m_started ? m_dir->filePath(QStringLiteral("server.log")) : QString());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void TearDown() override
    {
        if (m_started)
            run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("stop"), QStringLiteral("-m"),
                 QStringLiteral("immediate"), QStringLiteral("-D"), m_dir->filePath(QStringLiteral("data"))},
                30000);
        m_started = false;
        m_dir.reset();
    }

private:
    bool run(QStringList command, int timeoutMs, bool asServer = true)
    {
        if (asServer && ::geteuid() == 0)
            command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--")} +
                command;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.first(), command.mid(1));
        if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return true;
        m_error =
            command.join(QLatin1Char(' ')) + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        process.kill();
        process.waitForFinished(1000);
        return false;
    }

    void start()
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/orv-pg-XXXXXX"));
        if (!m_dir->isValid()) {
            m_error = QStringLiteral("no temporary folder");
            return;
        }
        if (::geteuid() == 0 &&
            !run({QStringLiteral("chown"), QStringLiteral("postgres:"), m_dir->path()}, 10000, false))
            return;
        const QString data = m_dir->filePath(QStringLiteral("data"));
        if (!run({kBin + QStringLiteral("initdb"), QStringLiteral("-D"), data, QStringLiteral("-A"),
                  QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
                  QStringLiteral("UTF8"), QStringLiteral("--no-locale")},
                 120000))
            return;
        const QString options = QStringLiteral("-k ") + m_dir->path() +
            QStringLiteral(" -c listen_addresses= -c log_statement=all -c fsync=off");
        m_started = run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("start"), QStringLiteral("-w"),
                         QStringLiteral("-D"), data, QStringLiteral("-l"),
                         m_dir->filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options},
                        60000);
    }

    bool m_tried = false;
    bool m_started = false;
    QString m_error;
    std::unique_ptr<QTemporaryDir> m_dir;
};

PostgresServer *postgres()
{
    static auto *server = static_cast<PostgresServer *>(::testing::AddGlobalTestEnvironment(new PostgresServer));
    return server;
}
// Registered before main runs the tests, so its TearDown runs inside the test run.
const PostgresServer *const kRegistered = postgres();

int nextConnection = 0;

} // namespace

CustomerDatabase::CustomerDatabase(Backend backend)
    : m_backend(backend)
    , m_name(QStringLiteral("customers-%1").arg(++nextConnection))
{
    if (backend == Backend::PostgreSQL)
        m_unavailable = postgresUnavailable();
    const QString driver = backend == Backend::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (m_unavailable.isEmpty() && !QSqlDatabase::isDriverAvailable(driver))
        m_unavailable = QStringLiteral("Qt SQL driver %1 is not installed").arg(driver);
}

CustomerDatabase::~CustomerDatabase()
{
    if (QSqlDatabase::contains(m_name)) {
        db().close();
        QSqlDatabase::removeDatabase(m_name);
    }
}

bool CustomerDatabase::open()
{
    QSqlDatabase database;
    if (m_backend == Backend::SQLite) {
        database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        database.setDatabaseName(m_dir.filePath(QStringLiteral("host.sqlite")));
    } else {
        const QString socketFolder = postgres()->socketFolder();
        if (socketFolder.isEmpty())
            return m_error = postgres()->error(), false;
        database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        database.setHostName(socketFolder);
        database.setUserName(QStringLiteral("postgres"));
        database.setDatabaseName(QStringLiteral("postgres"));
    }
    if (!database.open())
        return m_error = database.lastError().text(), false;
    return exec(QStringLiteral("DROP TABLE IF EXISTS tbKunden")) &&
        exec(QStringLiteral("CREATE TABLE tbKunden (KundenNr INTEGER, Anrede VARCHAR(20), Vorname VARCHAR(50), "
                            "Name VARCHAR(50), Firma VARCHAR(80), Zusatz VARCHAR(80), AnsprechPartner VARCHAR(80), "
                            "Strasse VARCHAR(80), PLZ VARCHAR(10), Ort VARCHAR(50), Land VARCHAR(50), "
                            "EMail VARCHAR(100), FreiFeld1 VARCHAR(50), FreiFeld2 VARCHAR(50), "
                            "FreiFeld3 VARCHAR(50), PreisGruppe INTEGER)"));
}

bool CustomerDatabase::exec(const QString &statement, const QVariantList &values)
{
    QSqlQuery query(db());
    if (values.isEmpty() ? query.exec(statement) : query.prepare(statement)) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (values.isEmpty() || query.exec())
            return true;
    }
    m_error = query.lastError().text();
    return false;
}

bool CustomerDatabase::insertCustomer(int number, const QString &name, const QVariant &email)
{
    const QString n = QString::number(number);
    return exec(QStringLiteral("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                {number, QStringLiteral("Herr"), QStringLiteral("Vorname") + n, name, QStringLiteral("Firma ") + n,
                 QStringLiteral("Zusatz ") + n, QStringLiteral("Partner ") + n, QStringLiteral("Weg ") + n,
                 QStringLiteral("1%1").arg(number, 4, 10, QLatin1Char('0')), QStringLiteral("Ort") + n,
                 QStringLiteral("Land") + n, email, QStringLiteral("F1-") + n, QStringLiteral("F2-") + n,
                 QStringLiteral("F3-") + n, number % 3});
}

QString CustomerDatabase::serverLog() const
{
    return m_backend == Backend::PostgreSQL ? postgres()->log() : QString();
}

} // namespace OrvVelmora::Testing
