#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

namespace OrvVelmora::Testing {

enum class Backend { SQLite, PostgreSQL };

/// A host database with the customer table, on a real SQLite file or on the
/// shared test PostgreSQL server (started on first use, stopped after the run).
class CustomerDatabase
{
public:
    explicit CustomerDatabase(Backend backend);
    ~CustomerDatabase();
    Q_DISABLE_COPY(CustomerDatabase)

    /// Why this backend cannot run here; empty when it can.
    [[nodiscard]] QString unavailableReason() const { return m_unavailable; }
    /// Opens the connection and creates an empty tbKunden; false with error().
    bool open();
    [[nodiscard]] QString error() const { return m_error; }
    [[nodiscard]] QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    /// A customer with distinct texts in every field; an email QVariant() is NULL.
    bool insertCustomer(int number, const QString &name, const QVariant &email);
    /// The PostgreSQL server log, empty for SQLite.
    [[nodiscard]] QString serverLog() const;

private:
    bool exec(const QString &statement, const QVariantList &values = {});

    Backend m_backend;
    QString m_name;
    QString m_unavailable;
    QString m_error;
    QTemporaryDir m_dir;
};

} // namespace OrvVelmora::Testing
