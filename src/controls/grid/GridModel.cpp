#include "controls/grid/GridModel.h"

#include "controls/grid/GridSortOrder.h"

#include <QDate>
#include <QDateTime>

namespace OrvVelmora {

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_announced;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cell(index.row(), index.column());
    if (role == Qt::CheckStateRole && m_checkBoxes && index.column() == 0)
        return m_rows.at(index.row()).checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !m_checkBoxes || index.column() != 0)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return section >= 0 && section < m_columns.size() ? m_columns.at(section).caption : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkBoxes && index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns.size())
        return;
    announce();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QList<int> newToOld = GridSortOrder::of(columnCells(column), order == Qt::DescendingOrder);
    QList<int> oldToNew(newToOld.size());
    QList<Row> sorted;
    sorted.reserve(m_rows.size());
    for (int place = 0; place < newToOld.size(); ++place) {
        oldToNew[newToOld.at(place)] = place;
        sorted.append(std::move(m_rows[newToOld.at(place)]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(createIndex(oldToNew.at(index.row()), index.column()));
    changePersistentIndexList(before, after);
    m_findIndex.clear();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int GridModel::columnOf(const QString &key) const
{
    const auto exact = m_exactKeys.constFind(key);
    return exact != m_exactKeys.cend() ? *exact : m_keyIndex.value(key.toCaseFolded(), -1);
}

QString GridModel::key(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).key : QString();
}

QString GridModel::caption(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).caption : QString();
}

void GridModel::setCaption(int column, const QString &caption)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].caption = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::appendColumn(const QString &key, const QString &caption)
{
    const int column = int(m_columns.size());
    beginInsertColumns({}, column, column);
    m_columns.append({key, caption});
    if (!m_keyIndex.contains(key.toCaseFolded()))
        m_keyIndex.insert(key.toCaseFolded(), column);
    if (!m_exactKeys.contains(key) && m_keyIndex.value(key.toCaseFolded()) == column)
        m_exactKeys.insert(key, column);
    endInsertColumns();
}

QString GridModel::cell(int row, int column) const
{
    const QList<QString> &cells = m_rows.at(row).cells;
    return column < cells.size() ? cells.at(column) : QString();
}

void GridModel::setCell(int row, int column, const QString &text)
{
    QList<QString> &cells = m_rows[row].cells;
    if (cells.size() <= column)
        cells.resize(column + 1);
    m_findIndex.cellChanged(column, cells.at(column), text, row);
    cells[column] = text;
    if (row < m_announced) {
        const QModelIndex changed = index(row, column);
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

void GridModel::appendRow(const QString &firstCell)
{
    const int row = int(m_rows.size());
    Row added;
    added.cells.resize(std::max<qsizetype>(m_columns.size(), 1));
    added.cells[0] = firstCell;
    m_rows.append(std::move(added));
    for (int column = 0; column < m_columns.size(); ++column)
        m_findIndex.rowAppended(column, column == 0 ? firstCell : QString(), row);
    if (m_holds == 0)
        announce();
}

void GridModel::release()
{
    if (m_holds > 0 && --m_holds == 0)
        announce();
}

void GridModel::announce()
{
    const int stored = int(m_rows.size());
    if (stored <= m_announced)
        return;
    beginInsertRows({}, m_announced, stored - 1);
    m_announced = stored;
    endInsertRows();
}

bool GridModel::checked(int row) const
{
    return m_rows.at(row).checked;
}

void GridModel::setChecked(int row, bool checked)
{
    m_rows[row].checked = checked;
    if (row < m_announced) {
        const QModelIndex changed = index(row, 0);
        Q_EMIT dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void GridModel::setCheckBoxes(bool show)
{
    announce();
    beginResetModel();
    m_checkBoxes = show;
    endResetModel();
}

void GridModel::removeRowList(const QList<int> &rows)
{
    // A few blocks of rows go one by one so the view keeps its place; a
    // scattered selection of thousands is compacted in one pass instead of
    // shifting the list once per block.
    constexpr int kMaxBlocks = 16;
    announce();
    QList<std::pair<int, int>> blocks;
    for (int row : rows) {
        if (!blocks.isEmpty() && blocks.last().second + 1 == row)
            blocks.last().second = row;
        else
            blocks.append({row, row});
    }
    if (blocks.size() > kMaxBlocks) {
        compact(rows);
        return;
    }
    for (auto block = blocks.crbegin(); block != blocks.crend(); ++block)
        removeRange(block->first, block->second);
}

void GridModel::removeRange(int first, int last)
{
    beginRemoveRows({}, first, last);
    m_rows.remove(first, last - first + 1);
    m_announced = int(m_rows.size());
    m_findIndex.clear();
    endRemoveRows();
}

void GridModel::compact(const QList<int> &rows)
{
    beginResetModel();
    QList<Row> kept;
    kept.reserve(m_rows.size() - rows.size());
    auto removed = rows.cbegin();
    for (int row = 0; row < m_rows.size(); ++row) {
        if (removed != rows.cend() && *removed == row)
            ++removed;
        else
            kept.append(std::move(m_rows[row]));
    }
    m_rows = std::move(kept);
    m_announced = int(m_rows.size());
    m_findIndex.clear();
    endResetModel();
}

void GridModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    m_announced = 0;
    m_findIndex.clear();
    endResetModel();
}

void GridModel::clearAll()
{
    beginResetModel();
    m_rows.clear();
    m_announced = 0;
    m_columns.clear();
    m_keyIndex.clear();
    m_exactKeys.clear();
    m_findIndex.clear();
    endResetModel();
}

void GridModel::load(const QStringList &keys, QList<Row> rows)
{
    beginResetModel();
    m_columns.clear();
    for (const QString &key : keys)
        m_columns.append({key, key});
    rebuildKeyIndex();
    m_rows = std::move(rows);
    m_announced = int(m_rows.size());
    m_findIndex.clear();
    endResetModel();
}

int GridModel::find(const QString &value, int column, int fromRow, bool exact) const
{
    if (column >= 0)
        return column < m_columns.size() ? findInColumn(value, column, fromRow, exact) : -1;
    int best = -1;
    for (int c = 0; c < m_columns.size(); ++c) {
        const int found = findInColumn(value, c, fromRow, exact);
        if (found >= 0 && (best < 0 || found < best))
            best = found;
    }
    return best;
}

int GridModel::findInColumn(const QString &value, int column, int fromRow, bool exact) const
{
    if (exact) {
        if (!m_findIndex.has(column))
            m_findIndex.build(column, columnCells(column));
        return m_findIndex.first(column, value, fromRow);
    }
    for (int row = std::max(fromRow, 0); row < m_rows.size(); ++row) {
        if (cell(row, column).startsWith(value, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

QList<QString> GridModel::columnCells(int column) const
{
    QList<QString> cells;
    cells.reserve(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row)
        cells.append(cell(row, column));
    return cells;
}

void GridModel::rebuildKeyIndex()
{
    m_keyIndex.clear();
    m_exactKeys.clear();
    // Reverse, so that of two keys differing only in case the first one wins.
    for (int column = int(m_columns.size()) - 1; column >= 0; --column)
        m_keyIndex.insert(m_columns.at(column).key.toCaseFolded(), column);
    for (int column = 0; column < m_columns.size(); ++column) {
        const QString &key = m_columns.at(column).key;
        if (m_keyIndex.value(key.toCaseFolded()) == column)
            m_exactKeys.insert(key, column);
    }
}

QString GridModel::textOf(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDate: return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime: return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    default: return value.toString();
    }
}

} // namespace OrvVelmora
