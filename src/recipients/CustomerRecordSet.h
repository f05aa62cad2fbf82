#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>

namespace OrvVelmora {

/// The customers with an e-mail address, as the host database lists them:
/// one fixed read-only query on the host's connection. The record set stays
/// open from the load until the wizard closes; the customer grid reads all of
/// it at once, so nothing is fetched lazily later.
class CustomerRecordSet
{
public:
    CustomerRecordSet();
    ~CustomerRecordSet();
    Q_DISABLE_COPY(CustomerRecordSet)

    /// The statement sent to the database, character for character.
    [[nodiscard]] static QString statement();

    /// Runs the statement on the connection; false (and closed) when the
    /// connection is not open or the database refuses the query.
    bool open(const QSqlDatabase &connection);
    /// Closes and lets go the query; harmless when not open.
    void close();
    [[nodiscard]] bool isOpen() const;
    /// The open query; only valid while isOpen().
    [[nodiscard]] QSqlQuery &query();

private:
    std::unique_ptr<QSqlQuery> m_query;
};

} // namespace OrvVelmora
