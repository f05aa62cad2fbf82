#include "controls/grid/GridColumn.h"

#include "controls/grid/GridComponent.h"
#include "controls/grid/GridModel.h"

#include <QHeaderView>
#include <QTableView>

namespace OrvVelmora {

GridColumn::GridColumn(GridComponent *grid, int position)
    : m_grid(grid)
    , m_position(position)
{
}

bool GridColumn::isValid() const
{
    return m_grid && m_position >= 1 && m_position <= m_grid->columnCount();
}

QString GridColumn::key() const
{
    return isValid() ? m_grid->m_model->key(m_position - 1) : QString();
}

QString GridColumn::caption() const
{
    return isValid() ? m_grid->m_model->caption(m_position - 1) : QString();
}

void GridColumn::setCaption(const QString &caption)
{
    if (isValid())
        m_grid->m_model->setCaption(m_position - 1, caption);
}

int GridColumn::width() const
{
    return isValid() ? m_grid->m_view->columnWidth(m_position - 1) : 0;
}

void GridColumn::setWidth(int width)
{
    if (isValid() && width >= 0)
        m_grid->setColumnWidth(m_position, width);
}

void GridColumn::stretch()
{
    if (isValid())
        m_grid->m_view->horizontalHeader()->setSectionResizeMode(m_position - 1, QHeaderView::Stretch);
}

} // namespace OrvVelmora
