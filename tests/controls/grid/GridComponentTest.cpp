#include "controls/grid/GridComponent.h"
#include "controls/grid/GridModel.h"

#include <QDate>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

using namespace OrvVelmora;

namespace {

class GridTest : public ::testing::Test
{
protected:
    // One column "Wert" holding the given texts, and a second column "Nr" with row numbers.
    void fill(const QStringList &values)
    {
        m_grid.addColumn(u"Wert"_s, u"Wert"_s);
        m_grid.addColumn(u"Nr"_s);
        for (int i = 0; i < values.size(); ++i)
            m_grid.addRow(values.at(i)).setCell(u"Nr"_s, QString::number(i + 1));
    }

    QStringList values(const QString &key = QStringLiteral("Wert")) const
    {
        QStringList texts;
        for (int row = 1; row <= m_grid.rowCount(); ++row)
            texts.append(m_grid.cellText(row, key).value_or(u"<missing>"_s));
        return texts;
    }

    void select(const QList<int> &rows)
    {
        m_grid.clearSelection();
        for (int row : rows)
            m_grid.view()->selectionModel()->select(m_grid.view()->model()->index(row - 1, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QList<int> selected() const
    {
        QList<int> rows;
        for (int p = 0; p < m_grid.selectedRowCount(); ++p)
            rows.append(m_grid.selectedRow(p));
        return rows;
    }

    void clickHeader(int position) { Q_EMIT m_grid.view()->horizontalHeader()->sectionClicked(position - 1); }

    GridComponent m_grid;
};

TEST(GridCellText, ShowsDatabaseValuesTheGermanWay)
{
    const QList<std::pair<QVariant, QString>> cases{
        {QVariant(QMetaType(QMetaType::Int)), QString()},
        {QVariant(42), u"42"_s},
        {QVariant(-1.25), u"-1.25"_s},
        {QVariant(QDate(2026, 12, 4)), u"04.12.2026"_s},
        {QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), u"02.01.2026 03:04:05"_s},
        {QVariant(QStringLiteral("Text")), u"Text"_s},
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(GridModel::textOf(value), expected) << value.typeName();
}

TEST_F(GridTest, ColumnsByPositionAndKeyIgnoringCase)
{
    m_grid.addColumn(u"KundenNr"_s, u"Kunden Nr"_s);
    GridColumn second = m_grid.addColumn(u"Name"_s);
    m_grid.addColumn(u"NAME"_s, u"zweites Name"_s);
    EXPECT_EQ(second.position(), 2);
    EXPECT_EQ(m_grid.columnPosition(u"kundennr"_s), 1);
    EXPECT_EQ(m_grid.columnPosition(u"name"_s), 2) << "of two keys equal but for case the first wins";
    EXPECT_EQ(m_grid.columnPosition(u"Fehlt"_s), 0);
    EXPECT_EQ(m_grid.column(u"NAME"_s).caption(), QString());
    m_grid.column(u"Name"_s).setCaption(u"Nachname"_s);
    m_grid.column(1).setWidth(123);
    EXPECT_EQ(m_grid.view()->model()->headerData(1, Qt::Horizontal).toString(), u"Nachname"_s);
    EXPECT_EQ(m_grid.column(u"kundennr"_s).width(), 123);

    GridColumn missing = m_grid.column(u"Fehlt"_s);
    missing.setCaption(u"x"_s);
    missing.setWidth(10);
    EXPECT_FALSE(missing.isValid());
    EXPECT_EQ(missing.key(), QString());
    EXPECT_EQ(m_grid.column(0).width(), 0);
}

TEST_F(GridTest, RowsAndCellsFailSoftlyOutOfRange)
{
    EXPECT_FALSE(m_grid.addRow(u"ohne Spalte"_s).isValid());
    EXPECT_EQ(m_grid.rowCount(), 0);
    fill({u"a"_s, u"b"_s});
    GridRow row = m_grid.row(2);
    EXPECT_TRUE(row.setCell(u"wert"_s, u"B"_s));
    EXPECT_FALSE(row.setCell(u"Fehlt"_s, u"x"_s));
    EXPECT_FALSE(m_grid.row(3).setCell(u"Wert"_s, u"x"_s));
    EXPECT_EQ(values(), QStringList({u"a"_s, u"B"_s}));
    EXPECT_EQ(m_grid.cellText(0, u"Wert"_s), std::nullopt);
    EXPECT_EQ(m_grid.cellText(3, u"Wert"_s), std::nullopt);
    EXPECT_EQ(m_grid.cellText(1, u"Fehlt"_s), std::nullopt);
    EXPECT_FALSE(row.checked());
    row.setChecked(true);
    EXPECT_TRUE(m_grid.row(2).checked());
    EXPECT_FALSE(m_grid.row(1).checked());
    EXPECT_FALSE(m_grid.setCurrentRow(3));
    EXPECT_EQ(m_grid.selectedRow(0), 0);
}

TEST_F(GridTest, FindStaysRightThroughEveryKindOfChange)
{
    m_grid.setAutoSort(true);
    fill({u"a"_s, u"B"_s, u"a"_s, u"ab"_s});
    struct Step
    {
        const char *name;
        std::function<void()> change;
        QString value;
        int column, start;
        bool exact;
        int expected;
    };
    const QList<Step> steps{
        {"first exact", [] {}, u"a"_s, 1, 1, true, 1},
        {"from a start row", [] {}, u"a"_s, 1, 2, true, 3},
        {"exact is case-sensitive", [] {}, u"b"_s, 1, 1, true, 0},
        {"inexact is a prefix ignoring case", [] {}, u"A"_s, 1, 2, false, 3},
        {"any column", [] {}, u"4"_s, 0, 1, true, 4},
        {"column out of range", [] {}, u"a"_s, 9, 1, true, 0},
        {"after a cell changed", [&] { m_grid.setCellText(1, u"Wert"_s, u"z"_s); }, u"a"_s, 1, 1, true, 3},
        {"new value found", [] {}, u"z"_s, 1, 1, true, 1},
        {"after an append", [&] { m_grid.addRow(u"neu"_s); }, u"neu"_s, 1, 1, true, 5},
        {"after a removal",
         [&] {
             select({1, 2});
             m_grid.removeSelectedRows();
         },
         u"neu"_s, 1, 1, true, 3},
        {"after a sort", [&] { clickHeader(1); }, u"neu"_s, 1, 1, true, 3},
        {"after a reverse sort", [&] { clickHeader(1); }, u"neu"_s, 1, 1, true, 1},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        EXPECT_EQ(m_grid.find(step.value, step.column, step.start, step.exact), step.expected);
    }
}

TEST_F(GridTest, HeaderClickSortsRowsAsShownAndKeepsTheSelection)
{
    m_grid.setAutoSort(true);
    fill({u"10"_s, u"b"_s, u"9"_s, u"A"_s, u"a"_s});
    select({3});
    clickHeader(1);
    EXPECT_EQ(values(), QStringList({u"9"_s, u"10"_s, u"A"_s, u"a"_s, u"b"_s}));
    EXPECT_EQ(values(u"Nr"_s), QStringList({u"3"_s, u"1"_s, u"4"_s, u"5"_s, u"2"_s}));
    EXPECT_EQ(selected(), QList<int>({1}));
    clickHeader(1);
    EXPECT_EQ(values(), QStringList({u"b"_s, u"a"_s, u"A"_s, u"10"_s, u"9"_s}));
    EXPECT_EQ(selected(), QList<int>({5}));
    clickHeader(2);
    EXPECT_EQ(values(u"Nr"_s), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

    m_grid.setAutoSort(false);
    clickHeader(1);
    EXPECT_EQ(values(u"Nr"_s), QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
}

TEST_F(GridTest, RemovingSelectedRowsInBlocksOrScattered)
{
    QStringList hundred;
    for (int i = 1; i <= 100; ++i)
        hundred.append(QString::number(i));
    const QList<std::pair<const char *, QList<int>>> cases{
        {"nothing", {}},
        {"two blocks", {2, 3, 4, 50, 100}},
        {"every other row",
         [] {
             QList<int> rows;
             for (int r = 1; r <= 100; r += 2)
                 rows.append(r);
             return rows;
         }()},
    };
    for (const auto &[name, rows] : cases) {
        SCOPED_TRACE(name);
        m_grid.clear(true);
        fill(hundred);
        m_grid.column(1).setWidth(77);
        select(rows);
        m_grid.removeSelectedRows();
        QStringList expected = hundred;
        for (auto it = rows.crbegin(); it != rows.crend(); ++it)
            expected.removeAt(*it - 1);
        EXPECT_EQ(values(), expected);
        EXPECT_EQ(m_grid.selectedRowCount(), 0);
        EXPECT_EQ(m_grid.column(1).width(), 77);
        EXPECT_EQ(m_grid.find(u"100"_s, 1), expected.indexOf(u"100"_s) + 1);
    }
}

TEST_F(GridTest, BatchAnnouncesRowsOnceAndMovesTheCursorAtTheEnd)
{
    fill({u"a"_s});
    QSignalSpy inserted(m_grid.view()->model(), &QAbstractItemModel::rowsInserted);
    {
        GridComponent::UpdateBatch outer(m_grid);
        {
            GridComponent::UpdateBatch inner(m_grid);
            for (const char *value : {"b", "c", "d"}) {
                m_grid.addRow(QString::fromLatin1(value));
                m_grid.setCurrentRow(m_grid.rowCount());
            }
        }
        EXPECT_EQ(m_grid.rowCount(), 4);
        EXPECT_EQ(m_grid.find(u"d"_s, 1), 4);
        EXPECT_EQ(m_grid.currentRow(), 4);
        EXPECT_EQ(inserted.count(), 0);
        m_grid.setCurrentRow(2);
    }
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(m_grid.view()->model()->rowCount(), 4);
    EXPECT_EQ(m_grid.view()->currentIndex().row(), 1);
    EXPECT_EQ(values(), QStringList({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
}

TEST_F(GridTest, KeyEventsCarryClassicCodesAndCanBeSwallowed)
{
    fill({u"a"_s, u"b"_s, u"c"_s});
    m_grid.setCurrentRow(1);
    struct KeyCase
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int keyCode, shift, charCode;
    };
    const QList<KeyCase> cases{
        {Qt::Key_Delete, Qt::NoModifier, 46, 0, 0},     {Qt::Key_Return, Qt::NoModifier, 13, 0, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 0, 13}, {Qt::Key_A, Qt::NoModifier, 65, 0, 'a'},
        {Qt::Key_F1, Qt::ControlModifier, 112, 2, 0},   {Qt::Key_Left, Qt::ShiftModifier, 37, 1, 0},
        {Qt::Key_Down, Qt::AltModifier, 40, 4, 0},      {Qt::Key_Escape, Qt::NoModifier, 27, 0, 27},
    };
    int seenKey = -1, seenShift = -1, seenChar = 0;
    bool swallowDown = false;
    QObject::connect(&m_grid, &GridComponent::keyDown, [&](int &keyCode, int &shift) {
        seenKey = keyCode;
        seenShift = shift;
        if (swallowDown)
            keyCode = 0;
    });
    QObject::connect(&m_grid, &GridComponent::keyPressed, [&](int &charCode) { seenChar = charCode; });
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.keyCode);
        seenChar = 0;
        QTest::keyClick(m_grid.view(), c.key, c.modifiers);
        EXPECT_EQ(seenKey, c.keyCode);
        EXPECT_EQ(seenShift, c.shift);
        EXPECT_EQ(seenChar, c.charCode);
    }
    m_grid.setCurrentRow(1);
    swallowDown = true;
    QTest::keyClick(m_grid.view(), Qt::Key_Down);
    EXPECT_EQ(m_grid.currentRow(), 1) << "a swallowed key must not reach the table";
    swallowDown = false;
    QTest::keyClick(m_grid.view(), Qt::Key_Down);
    EXPECT_EQ(m_grid.currentRow(), 2);
}

TEST_F(GridTest, OnlyTheUsersColumnResizesAreReported)
{
    fill({u"a"_s});
    QSignalSpy resized(&m_grid, &GridComponent::columnResized);
    QHeaderView *header = m_grid.view()->horizontalHeader();
    header->resizeSection(1, 140);
    m_grid.column(1).setWidth(90);
    m_grid.autoSizeColumns();
    ASSERT_EQ(resized.count(), 1);
    EXPECT_EQ(resized.first(), QVariantList({2, 140}));
    m_grid.setAllowColumnSizing(false);
    header->resizeSection(1, 160);
    EXPECT_EQ(resized.count(), 1);
}

} // namespace
