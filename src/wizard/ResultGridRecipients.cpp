#include "wizard/ResultGridRecipients.h"

#include "controls/grid/GridColumn.h"
#include "controls/grid/GridComponent.h"

namespace OrvVelmora {

qint32 ResultGridRecipients::rowCount() const
{
    return m_grid.rowCount();
}

std::optional<QString> ResultGridRecipients::cell(int row, const QString &columnKey) const
{
    return m_grid.cellText(row, columnKey);
}

QMap<QString, QString> ResultGridRecipients::record(qint32 row) const
{
    QMap<QString, QString> cells;
    for (int position = 1; position <= m_grid.columnCount(); ++position) {
        const QString key = m_grid.column(position).key();
        cells.insert(key, m_grid.cellText(row, key).value_or(QString()));
    }
    return cells;
}

} // namespace OrvVelmora
