#include "controls/grid/GridComponent.h"

#include "controls/grid/GridKeyCodes.h"
#include "controls/grid/GridModel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace OrvVelmora {

namespace {

QFont gridFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    return font;
}

// Resizes triggered by our own calls are not the user's and must not be reported.
class CodeResize
{
public:
    explicit CodeResize(bool &flag)
        : m_flag(flag)
        , m_old(flag)
    {
        m_flag = true;
    }
    ~CodeResize() { m_flag = m_old; }
    Q_DISABLE_COPY(CodeResize)

private:
    bool &m_flag;
    bool m_old;
};

// The widest a column grows when sized to its contents, in average characters.
constexpr int kMaxAutoColumnChars = 32;

} // namespace

GridComponent::GridComponent(QWidget *parent)
    : QWidget(parent)
    , m_model(new GridModel(this))
    , m_view(new QTableView(this))
    , m_caption(new QLabel(this))
{
    m_caption->setTextFormat(Qt::PlainText);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);
    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_caption->setTextFormat(Qt::PlainText);

    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    // Tab leaves the grid like every other control; Ctrl+Tab walks the cells.
    m_view->setTabKeyNavigation(false);
    m_view->setShowGrid(true);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->horizontalHeader()->setSectionsClickable(false);
    m_view->installEventFilter(this);
    setFocusProxy(m_view);
    applyFonts();

    connect(m_view, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { Q_EMIT doubleClicked(index.row() + 1, index.column() + 1); });
    connect(m_view->horizontalHeader(), &QHeaderView::sectionResized, this, &GridComponent::onSectionResized);
    connect(m_view->horizontalHeader(), &QHeaderView::sectionClicked, this, &GridComponent::sortByHeader);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { invalidateSelection(); });
    // The selected row numbers change with the rows, not only with the selection.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { invalidateSelection(); });
    connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] { invalidateSelection(); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { invalidateSelection(); });
}

GridComponent::~GridComponent() = default;

void GridComponent::applyFonts()
{
    setFont(gridFont());
    // Rows as high as the text needs, as in a grid; the platform style's default is far taller.
    m_view->verticalHeader()->setMinimumSectionSize(0);
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont()).height() + 6);
    QFont caption = gridFont();
    caption.setBold(true);
    m_caption->setFont(caption);
}

void GridComponent::clear(bool columnsToo)
{
    if (columnsToo) {
        m_model->clearAll();
        m_sortSection = -1;
        m_view->horizontalHeader()->setSortIndicatorShown(false);
    } else {
        m_model->clearRows();
    }
}

bool GridComponent::setDataSource(QSqlQuery &records)
{
    if (!records.isActive() || !records.isSelect()) {
        clear(true);
        return false;
    }
    const QSqlRecord fields = records.record();
    QStringList keys;
    for (int field = 0; field < fields.count(); ++field)
        keys.append(fields.fieldName(field));
    QList<GridModel::Row> rows;
    if (records.size() > 0)
        rows.reserve(records.size());
    for (bool more = records.isForwardOnly() ? records.next() : records.first(); more; more = records.next()) {
        GridModel::Row row;
        row.cells.reserve(keys.size());
        for (int field = 0; field < keys.size(); ++field)
            row.cells.append(GridModel::textOf(records.value(field)));
        rows.append(std::move(row));
    }
    m_sortSection = -1;
    m_view->horizontalHeader()->setSortIndicatorShown(false);
    m_model->load(keys, std::move(rows));
    return true;
}

GridComponent::UpdateBatch::UpdateBatch(GridComponent &grid)
    : m_grid(grid)
{
    ++m_grid.m_batches;
    m_grid.m_model->hold();
}

GridComponent::UpdateBatch::~UpdateBatch()
{
    m_grid.endBatch();
}

void GridComponent::endBatch()
{
    m_model->release();
    if (--m_batches > 0 || m_pendingCurrent == 0)
        return;
    const int pending = std::exchange(m_pendingCurrent, 0);
    if (pending <= rowCount())
        moveCursor(pending);
}

int GridComponent::rowCount() const
{
    return m_model->storedRows();
}

int GridComponent::columnCount() const
{
    return m_model->columnCount();
}

GridColumn GridComponent::column(int position)
{
    return GridColumn(this, position);
}

GridColumn GridComponent::column(const QString &key)
{
    return GridColumn(this, columnPosition(key));
}

int GridComponent::columnPosition(const QString &key) const
{
    return m_model->columnOf(key) + 1;
}

GridColumn GridComponent::addColumn(const QString &key, const QString &caption)
{
    m_model->appendColumn(key, caption);
    return GridColumn(this, columnCount());
}

std::optional<QString> GridComponent::cellText(int row, const QString &key) const
{
    const int column = m_model->columnOf(key);
    if (row < 1 || row > rowCount() || column < 0)
        return std::nullopt;
    return m_model->cell(row - 1, column);
}

bool GridComponent::setCellText(int row, const QString &key, const QString &text)
{
    const int column = m_model->columnOf(key);
    if (row < 1 || row > rowCount() || column < 0)
        return false;
    m_model->setCell(row - 1, column, text);
    return true;
}

GridRow GridComponent::addRow(const QString &text)
{
    if (columnCount() == 0)
        return GridRow(this, 0);
    m_model->appendRow(text);
    return GridRow(this, rowCount());
}

GridRow GridComponent::row(int number)
{
    return GridRow(this, number);
}

bool GridComponent::rowChecked(int number) const
{
    return number >= 1 && number <= rowCount() && m_model->checked(number - 1);
}

void GridComponent::setRowChecked(int number, bool checked)
{
    if (number >= 1 && number <= rowCount())
        m_model->setChecked(number - 1, checked);
}

QModelIndex GridComponent::indexAt(int row, int column) const
{
    return m_model->index(row - 1, column - 1);
}

bool GridComponent::setCurrentRow(int number)
{
    if (number < 1 || number > rowCount() || columnCount() == 0)
        return false;
    if (m_batches > 0)
        m_pendingCurrent = number;
    else
        moveCursor(number);
    return true;
}

void GridComponent::moveCursor(int number)
{
    m_model->announce();
    const int column = std::max(m_view->currentIndex().column(), 0);
    m_view->selectionModel()->setCurrentIndex(indexAt(number, column + 1), QItemSelectionModel::NoUpdate);
}

int GridComponent::currentRow() const
{
    if (m_pendingCurrent > 0)
        return m_pendingCurrent;
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void GridComponent::invalidateSelection() const
{
    m_selectionValid = false;
}

const QList<int> &GridComponent::selectedRows() const
{
    if (m_selectionValid)
        return m_selectedRows;
    m_selectedRows.clear();
    for (const QItemSelectionRange &range : m_view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            m_selectedRows.append(row + 1);
    }
    std::sort(m_selectedRows.begin(), m_selectedRows.end());
    m_selectedRows.erase(std::unique(m_selectedRows.begin(), m_selectedRows.end()), m_selectedRows.end());
    m_selectionValid = true;
    return m_selectedRows;
}

int GridComponent::selectedRowCount() const
{
    return int(selectedRows().size());
}

int GridComponent::selectedRow(int position) const
{
    const QList<int> &rows = selectedRows();
    return position >= 0 && position < rows.size() ? rows.at(position) : 0;
}

void GridComponent::selectAll()
{
    if (rowCount() == 0 || columnCount() == 0)
        return;
    m_model->announce();
    const QItemSelection all(indexAt(1, 1), indexAt(rowCount(), columnCount()));
    m_view->selectionModel()->select(all, QItemSelectionModel::ClearAndSelect);
}

void GridComponent::clearSelection()
{
    m_view->selectionModel()->clearSelection();
}

void GridComponent::removeSelectedRows()
{
    QList<int> rows = selectedRows();
    for (int &row : rows)
        --row;
    if (!rows.isEmpty())
        m_model->removeRowList(rows);
}

int GridComponent::find(const QString &value, int column, int startRow, bool exact) const
{
    if (column < 0 || column > columnCount())
        return 0;
    return m_model->find(value, column - 1, std::max(startRow, 1) - 1, exact) + 1;
}

void GridComponent::refresh()
{
    m_view->viewport()->update();
}

void GridComponent::setSortIndicator(const QString &key, int order)
{
    const int section = m_model->columnOf(key);
    if (section < 0)
        return;
    m_sortSection = section;
    QHeaderView *header = m_view->horizontalHeader();
    header->setSortIndicator(section, order == 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
}

void GridComponent::sortByHeader(int section)
{
    if (!m_view->horizontalHeader()->sectionsClickable())
        return;
    QHeaderView *header = m_view->horizontalHeader();
    const bool reverse = section == m_sortSection && header->isSortIndicatorShown() &&
        header->sortIndicatorOrder() == Qt::AscendingOrder;
    const Qt::SortOrder order = reverse ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortSection = section;
    header->setSortIndicator(section, order);
    header->setSortIndicatorShown(true);
    m_model->sort(section, order);
}

void GridComponent::autoSizeColumns()
{
    CodeResize guard(m_resizingByCode);
    m_view->resizeColumnsToContents();
    // One very long value (a 150-character company name) must not push the
    // columns after it out of sight; the tooltip shows the whole text.
    const int cap = m_view->fontMetrics().averageCharWidth() * kMaxAutoColumnChars;
    QHeaderView *header = m_view->horizontalHeader();
    for (int section = 0; section < header->count(); ++section) {
        if (header->sectionSize(section) > cap)
            header->resizeSection(section, cap);
    }
}

void GridComponent::setColumnWidth(int position, int width)
{
    CodeResize guard(m_resizingByCode);
    m_view->horizontalHeader()->resizeSection(position - 1, width);
}

void GridComponent::onSectionResized(int section, int, int newSize)
{
    if (m_resizingByCode || m_view->horizontalHeader()->sectionResizeMode(section) != QHeaderView::Interactive)
        return;
    Q_EMIT columnResized(section + 1, newSize);
}

QString GridComponent::caption() const
{
    return m_caption->text();
}

void GridComponent::setCaption(const QString &caption)
{
    m_caption->setText(caption);
    m_view->setAccessibleDescription(caption);
}

void GridComponent::setCaptionVisible(bool visible)
{
    m_caption->setVisible(visible);
}

QFont GridComponent::captionFont() const
{
    return m_caption->font();
}

void GridComponent::setCaptionFont(const QFont &font)
{
    m_caption->setFont(font);
}

void GridComponent::setAllowMultiSelect(bool allow)
{
    m_view->setSelectionMode(allow ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void GridComponent::setAutoSort(bool autoSort)
{
    m_view->horizontalHeader()->setSectionsClickable(autoSort);
}

void GridComponent::setAllowRowSizing(bool allow)
{
    m_view->verticalHeader()->setSectionResizeMode(allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void GridComponent::setAllowColumnSizing(bool allow)
{
    m_view->horizontalHeader()->setSectionResizeMode(allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void GridComponent::setCheckBoxes(bool show)
{
    m_model->setCheckBoxes(show);
}

void GridComponent::setColumnHeadersVisible(bool visible)
{
    m_view->horizontalHeader()->setVisible(visible);
}

bool GridComponent::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress)
        return filterKey(event);
    return QWidget::eventFilter(watched, event);
}

bool GridComponent::filterKey(QEvent *event)
{
    const auto &key = *static_cast<QKeyEvent *>(event);
    if ((key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) && key.modifiers() & Qt::ControlModifier)
        return moveCellByTab(key.key() == Qt::Key_Backtab || key.modifiers() & Qt::ShiftModifier);
    int keyCode = GridKeyCodes::virtualKey(key);
    int shift = GridKeyCodes::shiftState(key);
    if (keyCode != 0) {
        Q_EMIT keyDown(keyCode, shift);
        if (keyCode == 0)
            return true;
    }
    int charCode = GridKeyCodes::charCode(key);
    if (charCode != 0) {
        Q_EMIT keyPressed(charCode);
        if (charCode == 0)
            return true;
    }
    return false;
}

// Moves to the next (or previous) cell, row by row, and stays at either end.
bool GridComponent::moveCellByTab(bool backwards)
{
    const int columns = m_model->columnCount();
    const int cells = m_model->rowCount() * columns;
    if (cells == 0)
        return true;
    const QModelIndex current = m_view->currentIndex();
    const int at = current.isValid() ? current.row() * columns + current.column() : (backwards ? cells : -1);
    const int next = qBound(0, at + (backwards ? -1 : 1), cells - 1);
    m_view->setCurrentIndex(m_model->index(next / columns, next % columns));
    return true;
}

} // namespace OrvVelmora
