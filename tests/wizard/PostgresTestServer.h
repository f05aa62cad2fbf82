#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace OrvVelmora::Testing {

/// A throw-away PostgreSQL server on a free loopback port: a new cluster in a
/// temporary folder, started with pg_ctl and logging every statement it runs,
/// stopped and deleted again on destruction. The server refuses to run as
/// root, so under root it runs as the postgres user.
class PostgresTestServer
{
public:
    PostgresTestServer();
    ~PostgresTestServer();
    Q_DISABLE_COPY(PostgresTestServer)

    /// Why the server cannot run here (binaries missing), or empty.
    [[nodiscard]] static QString unavailableReason();
    /// False with error() set when initdb or the start failed.
    bool start();
    [[nodiscard]] QString error() const { return m_error; }
    [[nodiscard]] int port() const { return m_port; }
    /// The server's log so far (statements appear as "statement: ...").
    [[nodiscard]] QString log() const;

private:
    bool run(const QStringList &command, int timeoutMs, bool asServer = true);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_port = 0;
    bool m_started = false;
    QString m_error;
};

} // namespace OrvVelmora::Testing
