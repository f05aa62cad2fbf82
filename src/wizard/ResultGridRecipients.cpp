#include "wizard/ResultGridRecipients.h"

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

} // namespace OrvVelmora
