#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace OrvVelmora {

/// Hash index for exact lookups in single grid columns: for each indexed
/// column it maps a cell text to the ascending list of row indexes (0-based)
/// holding it. A column is indexed on its first lookup and then kept up to date
/// by the cheap edits (append, cell change); edits that move many rows drop the
/// whole index, and the next lookup rebuilds it.
class GridFindIndex
{
public:
    [[nodiscard]] bool has(int column) const { return m_columns.contains(column); }
    void build(int column, const QList<QString> &cellsOfColumn);
    /// The first row index at or after fromRow whose cell equals value, or -1.
    [[nodiscard]] int first(int column, const QString &value, int fromRow) const;
    void rowAppended(int column, const QString &value, int row);
    void cellChanged(int column, const QString &oldValue, const QString &newValue, int row);
    void clear() { m_columns.clear(); }

private:
    using Rows = QList<int>;
    QHash<int, QHash<QString, Rows>> m_columns;
};

} // namespace OrvVelmora
