#include "recipients/CustomerRecordSet.h"

#include "recipients/RecipientsLog.h"

#include <QSqlError>

namespace OrvVelmora {

CustomerRecordSet::CustomerRecordSet() = default;

CustomerRecordSet::~CustomerRecordSet()
{
    close();
}

QString CustomerRecordSet::statement()
{
    return QStringLiteral("SELECT KundenNr, Anrede, Vorname, Name, Firma, Zusatz, AnsprechPartner, Strasse, "
                          "PLZ, Ort, Land, EMail, FreiFeld1, FreiFeld2, FreiFeld3, PreisGruppe ") +
        QStringLiteral("FROM tbKunden ") + QStringLiteral("WHERE EMail<>'' ") +
        QStringLiteral("ORDER BY KundenNr ASC;");
}

bool CustomerRecordSet::open(const QSqlDatabase &connection)
{
    close();
    if (!connection.isValid() || !connection.isOpen()) {
        qCWarning(lcRecipients) << "no open connection; the customer list stays empty";
        return false;
    }
    m_query = std::make_unique<QSqlQuery>(connection);
    // The grid copies every record once, front to back: a forward-only cursor
    // spares the driver from keeping the whole result a second time.
    m_query->setForwardOnly(true);
    if (!m_query->exec(statement())) {
        qCWarning(lcRecipients) << "tbKunden cannot be read:" << m_query->lastError().text();
        close();
        return false;
    }
    return true;
}

void CustomerRecordSet::close()
{
    if (!m_query)
        return;
    m_query->finish();
    m_query.reset();
}

bool CustomerRecordSet::isOpen() const
{
    return m_query && m_query->isActive();
}

QSqlQuery &CustomerRecordSet::query()
{
    return *m_query;
}

} // namespace OrvVelmora
