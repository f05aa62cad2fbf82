#pragma once

#include "controls/grid/GridColumn.h"
#include "controls/grid/GridRow.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QModelIndex;
class QSqlQuery;
class QTableView;

namespace OrvVelmora {

class GridModel;

/// Our grid control: a captioned table over Qt's model/view in which every
/// cell holds text. Rows and columns are numbered from 1; a column also has a
/// text key, compared without regard to letter case as database field names
/// are (a server may fold "KundenNr" to "kundennr"). Row numbers always follow
/// the order the user sees, also after a click on a header has sorted the rows:
/// sorting reorders the rows themselves, there is no proxy in between.
///
/// Lookups of row numbers out of range or of unknown keys fail softly: reads
/// give nothing (std::nullopt, 0 or false), writes are ignored.
class GridComponent : public QWidget
{
    Q_OBJECT
public:
    explicit GridComponent(QWidget *parent = nullptr);
    ~GridComponent() override;

    /// Groups many appends, cell writes and current-row moves: the views hear
    /// of the new rows once, when the last batch on the grid ends, and the
    /// cursor moves once, to the last row made current. The grid's own
    /// operations see every change at once, as without a batch.
    class UpdateBatch
    {
    public:
        explicit UpdateBatch(GridComponent &grid);
        ~UpdateBatch();
        Q_DISABLE_COPY(UpdateBatch)

    private:
        GridComponent &m_grid;
    };

    /// Removes all rows, and the columns too when columnsToo is set.
    void clear(bool columnsToo);
    /// Replaces the grid's content by every record of an executed query: one
    /// column per field (keyed and captioned by field name), one row per record,
    /// read to the end so that nothing is left to fetch later. False (and the
    /// grid cleared) when the query is not an active select.
    bool setDataSource(QSqlQuery &records);

    [[nodiscard]] int rowCount() const;
    [[nodiscard]] int columnCount() const;
    [[nodiscard]] GridColumn column(int position);
    [[nodiscard]] GridColumn column(const QString &key);
    /// 0 when no column has that key.
    [[nodiscard]] int columnPosition(const QString &key) const;
    /// Appends a column; an empty caption shows nothing in the header.
    GridColumn addColumn(const QString &key, const QString &caption = QString());

    /// The shown text of a cell; nothing when the row or the key does not exist.
    [[nodiscard]] std::optional<QString> cellText(int row, const QString &key) const;
    bool setCellText(int row, const QString &key, const QString &text);
    /// Appends a row whose first cell holds text (needs at least one column).
    GridRow addRow(const QString &text);
    [[nodiscard]] GridRow row(int number);
    [[nodiscard]] bool rowChecked(int number) const;
    void setRowChecked(int number, bool checked);

    /// Moves the cursor to the row without touching the selection; false when out of range.
    bool setCurrentRow(int number);
    /// 0 when there is none.
    [[nodiscard]] int currentRow() const;
    [[nodiscard]] int selectedRowCount() const;
    /// Selected row numbers are reported in ascending order; 0 when position is out of range.
    [[nodiscard]] int selectedRow(int position) const;
    void selectAll();
    void clearSelection();
    void removeSelectedRows();

    /// Number of the first row from startRow on whose cell equals value, 0 if none.
    /// column 0 searches every column. exact compares the whole text, case-sensitive;
    /// otherwise a cell matches when it begins with value, ignoring letter case
    /// (what a person typing the start of a name expects).
    /// Exact searches of one column use a hash index, so repeated lookups in a large
    /// grid do not scan it.
    [[nodiscard]] int find(const QString &value, int column = 0, int startRow = 1, bool exact = true) const;
    /// Repaints the rows.
    void refresh();
    /// Shows the sort arrow on a column (order 1 ascending, 2 descending) without
    /// reordering: for rows that already arrive in that order.
    void setSortIndicator(const QString &key, int order);
    /// Fits every column's width to its header and the rows' texts.
    void autoSizeColumns();

    [[nodiscard]] QString caption() const;
    void setCaption(const QString &caption);
    void setCaptionVisible(bool visible);
    /// The font of the caption strip; it starts bold.
    [[nodiscard]] QFont captionFont() const;
    void setCaptionFont(const QFont &font);

    void setAllowMultiSelect(bool allow);
    /// A click on a column header sorts the rows by that column (again: reverse).
    void setAutoSort(bool autoSort);
    void setAllowRowSizing(bool allow);
    void setAllowColumnSizing(bool allow);
    /// Shows a check box in the first cell of every row.
    void setCheckBoxes(bool show);
    void setColumnHeadersVisible(bool visible);

    /// The table itself, for styling.
    [[nodiscard]] QTableView *view() const { return m_view; }

Q_SIGNALS:
    /// A double click on a cell.
    void doubleClicked(int row, int column);
    /// A key that produces a character; set charCode to 0 to swallow the key.
    void keyPressed(int &charCode);
    /// Any key going down, as a virtual key code (46 Delete, 13 Enter, 37..40
    /// arrows, 65..90 letters) and a shift state (1 Shift, 2 Ctrl, 4 Alt); set
    /// keyCode to 0 to swallow the key.
    void keyDown(int &keyCode, int &shift);
    /// The user changed a column's width by dragging its header edge.
    void columnResized(int column, int width);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class GridColumn;
    friend class GridRow;

    void applyFonts();
    void sortByHeader(int section);
    void onSectionResized(int section, int oldSize, int newSize);
    bool filterKey(QEvent *event);
    bool moveCellByTab(bool backwards);
    [[nodiscard]] QModelIndex indexAt(int row, int column) const;
    void invalidateSelection() const;
    const QList<int> &selectedRows() const;
    void setColumnWidth(int position, int width);
    void endBatch();
    void moveCursor(int number);

    GridModel *m_model;
    QTableView *m_view;
    QLabel *m_caption;
    bool m_resizingByCode = false;
    int m_sortSection = -1;
    int m_batches = 0;
    int m_pendingCurrent = 0;
    mutable bool m_selectionValid = false;
    mutable QList<int> m_selectedRows;
};

} // namespace OrvVelmora
