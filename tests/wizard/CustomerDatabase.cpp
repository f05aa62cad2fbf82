#include "CustomerDatabase.h"

#include "PostgresTestServer.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

namespace OrvVelmora::Testing {

namespace {

// One server for the whole test program: starting a cluster takes seconds.
class PostgresEnvironment final : public ::testing::Environment
{
public:
    PostgresTestServer *server(QString *error)
    {
        if (!m_tried) {
            m_tried = true;
            m_server = std::make_unique<PostgresTestServer>();
            if (!m_server->start())
                m_error = m_server->error();
        }
        *error = m_error;
        return m_error.isEmpty() ? m_server.get() : nullptr;
    }
    void TearDown() override { m_server.reset(); }

private:
    bool m_tried = false;
    QString m_error;
    std::unique_ptr<PostgresTestServer> m_server;
};

PostgresEnvironment *postgres()
{
    static auto *environment = static_cast<PostgresEnvironment *>(
        ::testing::AddGlobalTestEnvironment(new PostgresEnvironment));
    return environment;
}
// Registered before main runs the tests, so its TearDown runs inside the test run.
const PostgresEnvironment *const kRegistered = postgres();

int nextConnection = 0;

} // namespace

CustomerDatabase::CustomerDatabase(Backend backend)
    : m_backend(backend)
    , m_name(QStringLiteral("customers-%1").arg(++nextConnection))
{
    if (backend == Backend::PostgreSQL)
        m_unavailable = PostgresTestServer::unavailableReason();
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
        const PostgresTestServer *server = postgres()->server(&m_error);
        if (!server)
            return false;
        database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        database.setHostName(QStringLiteral("127.0.0.1"));
        database.setPort(server->port());
        database.setUserName(QStringLiteral("postgres"));
        database.setDatabaseName(QStringLiteral("postgres"));
    }
    if (!database.open()) {
        m_error = database.lastError().text();
        return false;
    }
    return exec(QStringLiteral("DROP TABLE IF EXISTS tbKunden"))
        && exec(QStringLiteral(
            "CREATE TABLE tbKunden (KundenNr INTEGER, Anrede VARCHAR(20), Vorname VARCHAR(50), "
            "Name VARCHAR(50), Firma VARCHAR(80), Zusatz VARCHAR(80), AnsprechPartner VARCHAR(80), "
            "Strasse VARCHAR(80), PLZ VARCHAR(10), Ort VARCHAR(50), Land VARCHAR(50), "
            "EMail VARCHAR(100), FreiFeld1 VARCHAR(50), FreiFeld2 VARCHAR(50), "
            "FreiFeld3 VARCHAR(50), PreisGruppe INTEGER)"));
}

bool CustomerDatabase::exec(const QString &statement)
{
    QSqlQuery query(db());
    if (query.exec(statement))
        return true;
    m_error = query.lastError().text();
    return false;
}

bool CustomerDatabase::insert(const QVariantList &values)
{
    QSqlQuery query(db());
    query.prepare(QStringLiteral("INSERT INTO tbKunden VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (query.exec())
        return true;
    m_error = query.lastError().text();
    return false;
}

bool CustomerDatabase::insertCustomer(int number, const QString &name, const QVariant &email)
{
    const QString n = QString::number(number);
    return insert({number, QStringLiteral("Herr"), QStringLiteral("Vorname") + n, name,
                   QStringLiteral("Firma ") + n, QStringLiteral("Zusatz ") + n,
                   QStringLiteral("Partner ") + n, QStringLiteral("Weg ") + n,
                   QStringLiteral("1%1").arg(number, 4, 10, QLatin1Char('0')), QStringLiteral("Ort") + n,
                   QStringLiteral("Land") + n, email, QStringLiteral("F1-") + n,
                   QStringLiteral("F2-") + n, QStringLiteral("F3-") + n, number % 3});
}

QString CustomerDatabase::serverLog() const
{
    QString ignored;
    const PostgresTestServer *server =
        m_backend == Backend::PostgreSQL ? postgres()->server(&ignored) : nullptr;
    return server ? server->log() : QString();
}

} // namespace OrvVelmora::Testing
