#include "controls/grid/GridRow.h"

#include "controls/grid/GridComponent.h"

namespace OrvVelmora {

GridRow::GridRow(GridComponent *grid, int number)
    : m_grid(grid)
    , m_number(number)
{
}

bool GridRow::isValid() const
{
    return m_grid && m_number >= 1 && m_number <= m_grid->rowCount();
}

bool GridRow::setCell(const QString &key, const QString &text)
{
    return m_grid && m_grid->setCellText(m_number, key, text);
}

std::optional<QString> GridRow::cell(const QString &key) const
{
    return m_grid ? m_grid->cellText(m_number, key) : std::nullopt;
}

bool GridRow::checked() const
{
    return m_grid && m_grid->rowChecked(m_number);
}

void GridRow::setChecked(bool checked)
{
    if (m_grid)
        m_grid->setRowChecked(m_number, checked);
}

} // namespace OrvVelmora
