#include "controls/grid/GridFindIndex.h"

#include <algorithm>

namespace OrvVelmora {

void GridFindIndex::build(int column, const QList<QString> &cellsOfColumn)
{
    QHash<QString, Rows> &index = m_columns[column];
    index.clear();
    index.reserve(cellsOfColumn.size());
    for (int row = 0; row < cellsOfColumn.size(); ++row)
        index[cellsOfColumn.at(row)].append(row);
}

int GridFindIndex::first(int column, const QString &value, int fromRow) const
{
    const auto indexIt = m_columns.constFind(column);
    if (indexIt == m_columns.cend())
        return -1;
    const auto rowsIt = indexIt->constFind(value);
    if (rowsIt == indexIt->cend())
        return -1;
    const auto found = std::lower_bound(rowsIt->cbegin(), rowsIt->cend(), fromRow);
    return found == rowsIt->cend() ? -1 : *found;
}

void GridFindIndex::rowAppended(int column, const QString &value, int row)
{
    const auto indexIt = m_columns.find(column);
    if (indexIt != m_columns.end())
        (*indexIt)[value].append(row);
}

void GridFindIndex::cellChanged(int column, const QString &oldValue, const QString &newValue, int row)
{
    const auto indexIt = m_columns.find(column);
    if (indexIt == m_columns.end() || oldValue == newValue)
        return;
    const auto oldIt = indexIt->find(oldValue);
    if (oldIt != indexIt->end()) {
        const auto at = std::lower_bound(oldIt->begin(), oldIt->end(), row);
        if (at != oldIt->end() && *at == row)
            oldIt->erase(at);
        if (oldIt->isEmpty())
            indexIt->erase(oldIt);
    }
    Rows &rows = (*indexIt)[newValue];
    rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

} // namespace OrvVelmora
