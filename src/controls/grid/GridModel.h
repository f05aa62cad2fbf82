#pragma once

#include "controls/grid/GridFindIndex.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>

namespace OrvVelmora {

/// The rows and columns behind a GridComponent. Every cell is text; a row that
/// is shorter than the column list reads as empty in the missing cells, so
/// adding a column costs nothing per row. Indexes here are 0-based.
class GridModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Row
    {
        QList<QString> cells;
        bool checked = false;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order) override;

    /// -1 when no column has the key (compared without regard to case).
    [[nodiscard]] int columnOf(const QString &key) const;
    [[nodiscard]] QString key(int column) const;
    [[nodiscard]] QString caption(int column) const;
    void setCaption(int column, const QString &caption);
    void appendColumn(const QString &key, const QString &caption);

    [[nodiscard]] QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);
    void appendRow(const QString &firstCell);
    [[nodiscard]] bool checked(int row) const;
    void setChecked(int row, bool checked);
    void setCheckBoxes(bool show);

    /// Rows the grid holds, including appended rows not yet announced to views.
    [[nodiscard]] int storedRows() const { return int(m_rows.size()); }
    /// While holding, appended rows and their cells are stored without telling
    /// the views; release() announces them in one insertion.
    void hold() { ++m_holds; }
    void release();
    /// Tells the views about rows appended while held (the hold stays).
    void announce();

    /// rows ascending, each valid.
    void removeRowList(const QList<int> &rows);
    void clearRows();
    void clearAll();
    /// Replaces everything at once (one reset instead of a signal per row).
    void load(const QStringList &keys, QList<Row> rows);

    /// First row index >= fromRow whose cell in column equals value (or, when
    /// not exact, begins with it ignoring case); column -1 means any column.
    [[nodiscard]] int find(const QString &value, int column, int fromRow, bool exact) const;

    /// The cell text a database value shows as.
    [[nodiscard]] static QString textOf(const QVariant &value);

private:
    struct Column
    {
        QString key;
        QString caption;
    };

    [[nodiscard]] int findInColumn(const QString &value, int column, int fromRow, bool exact) const;
    [[nodiscard]] QList<QString> columnCells(int column) const;
    void rebuildKeyIndex();
    void removeRange(int first, int last);
    void compact(const QList<int> &rows);

    QList<Column> m_columns;
    QHash<QString, int> m_keyIndex;  // case-folded key -> column
    QHash<QString, int> m_exactKeys; // key as written -> column, spares folding on the usual lookups
    QList<Row> m_rows;
    int m_announced = 0;
    int m_holds = 0;
    bool m_checkBoxes = false;
    mutable GridFindIndex m_findIndex;
};

} // namespace OrvVelmora
