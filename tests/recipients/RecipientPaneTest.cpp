#include "CustomerDatabase.h"
#include "ScriptedPlatformServices.h"

#include "controls/grid/GridComponent.h"
#include "merge/MergeText.h"
#include "recipients/CustomerRecordSet.h"
#include "recipients/RecipientPane.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QStringList kFields = QString(u"KundenNr Anrede Vorname Name Firma Zusatz AnsprechPartner Strasse PLZ Ort Land "
                                    "EMail FreiFeld1 FreiFeld2 FreiFeld3 PreisGruppe"_s)
                                .split(u' ');
const QStringList kCaptions = QString(u"Kunden Nr|Anrede|Vorname|Name|Firma|Zusatz|Anspr. Partner|Strasse|PLZ|Ort|Land|"
                                      "e-Mail Adresse|Freifeld 1|Freifeld 2|Freifeld 3|PreisGruppe"_s)
                                  .split(u'|');

QStringList column(GridComponent *grid, const QString &key)
{
    QStringList texts;
    for (int row = 1; row <= grid->rowCount(); ++row)
        texts.append(grid->cellText(row, key).value_or(QStringLiteral("<missing>")));
    return texts;
}

struct ButtonStates
{
    bool add, addAll, remove, removeAll;
    bool operator==(const ButtonStates &) const = default;
};

std::ostream &operator<<(std::ostream &out, const ButtonStates &s)
{
    return out << s.add << s.addAll << s.remove << s.removeAll;
}

class RecipientPaneTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        if (!m_database.unavailableReason().isEmpty())
            GTEST_SKIP() << m_database.unavailableReason().toStdString();
        ASSERT_TRUE(m_database.open()) << m_database.error().toStdString();
        m_pane.resize(900, 600);
    }

    // Customers 10, 2, 7, 3 and 5 have addresses; 4 has an empty one, 6 none at all.
    void loadStandardCustomers()
    {
        const QList<std::pair<int, QVariant>> customers{{10, u"zehn@example.org"_s},
                                                        {2, u"zwei@example.org"_s},
                                                        {4, u""_s},
                                                        {7, u"sieben@example.org"_s},
                                                        {6, QVariant()},
                                                        {3, u"drei@example.org"_s},
                                                        {5, u"fuenf@example.org"_s}};
        for (const auto &[number, email] : customers)
            ASSERT_TRUE(m_database.insertCustomer(number, QStringLiteral("Name%1").arg(number), email))
                << m_database.error().toStdString();
        m_pane.LoadCustomers(m_database.db());
        ASSERT_EQ(m_pane.sevKunden()->rowCount(), 5);
    }

    void select(GridComponent *grid, const QList<int> &rows)
    {
        grid->clearSelection();
        QItemSelectionModel *selection = grid->view()->selectionModel();
        for (int row : rows)
            selection->select(grid->view()->model()->index(row - 1, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    ButtonStates buttons() const
    {
        return {m_pane.cmdAddKunde()->isEnabled(), m_pane.cmdAddAllKunde()->isEnabled(),
                m_pane.cmdRemoveKunde()->isEnabled(), m_pane.cmdRemoveAllKunde()->isEnabled()};
    }

    QStringList recipientNumbers() const { return column(m_pane.sevResult(), u"KundenNr"_s); }

    void showAndActivate()
    {
        m_pane.show();
        QApplication::setActiveWindow(&m_pane);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_pane));
    }

    ScriptedPlatformServices m_platform;
    ScriptedPlatformServices::Scope m_scope{m_platform};
    CustomerDatabase m_database{GetParam()};
    RecipientPane m_pane;
};

TEST_P(RecipientPaneTest, LoadListsOnlyCustomersWithAddressInNumberOrder)
{
    loadStandardCustomers();
    GridComponent *kunden = m_pane.sevKunden();
    EXPECT_EQ(column(kunden, u"KundenNr"_s), QStringList({u"2"_s, u"3"_s, u"5"_s, u"7"_s, u"10"_s}));
    EXPECT_EQ(column(kunden, u"EMail"_s).constFirst(), u"zwei@example.org"_s);
    EXPECT_EQ(column(kunden, u"PreisGruppe"_s), QStringList({u"2"_s, u"0"_s, u"2"_s, u"1"_s, u"1"_s}));
    ASSERT_EQ(kunden->columnCount(), 16);
    for (GridComponent *grid : {kunden, m_pane.sevResult()}) {
        for (int position = 1; position <= 16; ++position) {
            SCOPED_TRACE(grid->objectName().toStdString() + " column " + std::to_string(position));
            EXPECT_EQ(grid->column(position).key().compare(kFields.at(position - 1), Qt::CaseInsensitive), 0);
            EXPECT_EQ(grid->column(position).caption(), kCaptions.at(position - 1));
            EXPECT_EQ(grid->column(position).width(), kunden->column(position).width());
        }
    }
    EXPECT_EQ(m_pane.sevResult()->rowCount(), 0);
    EXPECT_EQ(buttons(), (ButtonStates{true, true, false, true}));
    EXPECT_TRUE(m_pane.customersOpen());
    m_pane.CloseCustomers();
    EXPECT_FALSE(m_pane.customersOpen());
    if (GetParam() == Backend::PostgreSQL) { // only its server logs the statements it runs, and unchanged
        EXPECT_TRUE(m_database.serverLog().contains(u"statement: SELECT "_s + kFields.join(u", "_s) +
                                                    u" FROM tbKunden WHERE EMail<>'' ORDER BY KundenNr ASC;\n"_s))
            << m_database.serverLog().right(2000).toStdString();
    }
}

TEST_P(RecipientPaneTest, LoadHoldsEveryRecordBeyondAnyFetchBatch)
{
    ASSERT_TRUE(m_database.db().transaction());
    for (int number = 1; number <= 1500; ++number)
        ASSERT_TRUE(m_database.insertCustomer(number, u"N"_s, u"a@b.c"_s));
    ASSERT_TRUE(m_database.db().commit());
    m_pane.LoadCustomers(m_database.db());
    EXPECT_EQ(m_pane.sevKunden()->rowCount(), 1500);
    EXPECT_EQ(m_pane.sevKunden()->cellText(1500, u"KundenNr"_s), u"1500"_s);
}

TEST_P(RecipientPaneTest, FailedLoadLeavesGridsEmptyAndButtonsAsDesigned)
{
    const QList<std::pair<const char *, QSqlDatabase>> cases{
        {"no connection", QSqlDatabase()},
        {"no customer table", m_database.db()},
    };
    QSqlQuery(m_database.db()).exec(u"DROP TABLE tbKunden"_s);
    for (const auto &[name, connection] : cases) {
        SCOPED_TRACE(name);
        m_pane.LoadCustomers(connection);
        EXPECT_EQ(m_pane.sevKunden()->columnCount(), 0);
        EXPECT_EQ(m_pane.sevResult()->columnCount(), 0);
        EXPECT_EQ(buttons(), (ButtonStates{true, true, true, true}));
        EXPECT_FALSE(m_pane.customersOpen());
    }
}

TEST_P(RecipientPaneTest, LoadWithoutAnyAddressDisablesTransfer)
{
    ASSERT_TRUE(m_database.insertCustomer(1, u"Leer"_s, u""_s));
    m_pane.LoadCustomers(m_database.db());
    EXPECT_EQ(m_pane.sevKunden()->rowCount(), 0);
    EXPECT_EQ(m_pane.sevResult()->columnCount(), 16);
    EXPECT_EQ(buttons(), (ButtonStates{false, true, false, true}));
}

TEST_P(RecipientPaneTest, TransferCopiesRowsAndRefusesDuplicates)
{
    loadStandardCustomers();
    struct Step
    {
        const char *name;
        QList<int> selection;
        QStringList expected;
        int current;
    };
    const QList<Step> steps{
        {"two new customers", {1, 3}, {u"2"_s, u"5"_s}, 2},
        {"same selection again adds nothing", {1, 3}, {u"2"_s, u"5"_s}, 2},
        {"present customer becomes current", {1}, {u"2"_s, u"5"_s}, 1},
        {"mixed selection appends only the new ones", {5, 1, 2}, {u"2"_s, u"5"_s, u"3"_s, u"10"_s}, 4},
        {"nothing selected", {}, {u"2"_s, u"5"_s, u"3"_s, u"10"_s}, 4},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        select(m_pane.sevKunden(), step.selection);
        m_pane.TransferSelected();
        EXPECT_EQ(recipientNumbers(), step.expected);
        EXPECT_EQ(m_pane.sevResult()->currentRow(), step.current);
        EXPECT_EQ(buttons(), (ButtonStates{true, true, true, true}));
    }
    for (int position = 1; position <= 16; ++position) {
        const QString &key = kFields.at(position - 1);
        EXPECT_EQ(m_pane.RecipientField(2, key), m_pane.sevKunden()->cellText(3, key)) << key.toStdString();
    }
    EXPECT_EQ(m_platform.pointerHistory, QList<int>({11, 0, 11, 0, 11, 0, 11, 0, 11, 0}));
}

// A customer whose number begins another listed number is a different customer.
TEST_P(RecipientPaneTest, DuplicateCheckComparesWholeCustomerNumbers)
{
    for (int number : {1001, 10011})
        ASSERT_TRUE(m_database.insertCustomer(number, QStringLiteral("Name%1").arg(number), u"x@example.org"_s))
            << m_database.error().toStdString();
    m_pane.LoadCustomers(m_database.db());
    ASSERT_EQ(m_pane.sevKunden()->rowCount(), 2);
    select(m_pane.sevKunden(), {2});
    m_pane.TransferSelected();
    select(m_pane.sevKunden(), {1});
    m_pane.TransferSelected();
    EXPECT_EQ(recipientNumbers(), QStringList({u"10011"_s, u"1001"_s}));
}

TEST_P(RecipientPaneTest, TransferFollowsTheOrderTheUserSorted)
{
    loadStandardCustomers();
    QHeaderView *header = m_pane.sevKunden()->view()->horizontalHeader();
    const int nameSection = m_pane.sevKunden()->columnPosition(u"Name"_s) - 1;
    Q_EMIT header->sectionClicked(nameSection);
    Q_EMIT header->sectionClicked(nameSection); // descending: Name7, Name5, Name3, Name2, Name10
    select(m_pane.sevKunden(), {1, 2, 5});
    m_pane.TransferSelected();
    EXPECT_EQ(recipientNumbers(), QStringList({u"7"_s, u"5"_s, u"10"_s}));
}

TEST_P(RecipientPaneTest, TransferKeepsButtonsOffWhileItRunsAndFocusesCustomers)
{
    loadStandardCustomers();
    showAndActivate();
    m_pane.sevResult()->setFocus();
    m_platform.runRealEvents = true;
    QList<ButtonStates> seen;
    QTimer::singleShot(0, &m_pane, [&] { seen.append(buttons()); });
    m_pane.TransferAll();
    EXPECT_EQ(seen, QList<ButtonStates>({{false, false, false, true}}));
    EXPECT_EQ(m_platform.processEventsCount, 2);
    EXPECT_EQ(recipientNumbers(), QStringList({u"2"_s, u"3"_s, u"5"_s, u"7"_s, u"10"_s}));
    EXPECT_EQ(m_pane.sevResult()->currentRow(), 5);
    EXPECT_TRUE(m_pane.sevKunden()->view()->hasFocus());
    EXPECT_EQ(m_platform.mousePointer(), DefaultPointer);
}

TEST_P(RecipientPaneTest, FailingTransferStopsSilentlyAndReenablesAdding)
{
    loadStandardCustomers();
    m_pane.sevResult()->clear(true); // no KundenNr column to search
    m_pane.cmdRemoveKunde()->setEnabled(false);
    m_pane.TransferAll();
    EXPECT_EQ(m_pane.sevResult()->rowCount(), 0);
    EXPECT_EQ(buttons(), (ButtonStates{true, true, false, true}));
    EXPECT_EQ(m_platform.processEventsCount, 1);
    EXPECT_TRUE(m_platform.messages.isEmpty());
    EXPECT_EQ(m_platform.mousePointer(), DefaultPointer);
}

TEST_P(RecipientPaneTest, RemovalKeepsLastRowCurrentOrDisablesRemoveButtons)
{
    loadStandardCustomers();
    m_pane.TransferAll();
    struct Step
    {
        const char *name;
        std::function<void()> action;
        QStringList expected;
        ButtonStates states;
        int current;
    };
    const QList<Step> steps{
        {"nothing selected",
         [&] {
             select(m_pane.sevResult(), {});
             m_pane.RemoveSelected();
         },
         {u"2"_s, u"3"_s, u"5"_s, u"7"_s, u"10"_s},
         {true, true, true, true},
         5},
        {"middle and last",
         [&] {
             select(m_pane.sevResult(), {2, 5});
             m_pane.RemoveSelected();
         },
         {u"2"_s, u"5"_s, u"7"_s},
         {true, true, true, true},
         3},
        {"remove all", [&] { m_pane.RemoveAll(); }, {}, {true, true, false, false}, 0},
        {"remove all on empty list", [&] { m_pane.RemoveAll(); }, {}, {true, true, false, false}, 0},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        m_platform.pointerHistory.clear();
        step.action();
        EXPECT_EQ(recipientNumbers(), step.expected);
        EXPECT_EQ(buttons(), step.states);
        EXPECT_EQ(m_pane.sevResult()->currentRow(), step.current);
        EXPECT_EQ(m_platform.pointerHistory, QList<int>({11, 0}));
    }
}

// Records the keys that reach a widget after the grid's own handling.
struct KeyWitness : QObject
{
    QList<int> keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent *>(event)->key());
        return false;
    }
};

TEST_P(RecipientPaneTest, GridGesturesActLikeTheButtons)
{
    loadStandardCustomers();
    showAndActivate();
    QTableView *customers = m_pane.sevKunden()->view();
    QTableView *result = m_pane.sevResult()->view();
    QSignalSpy activated(customers, &QAbstractItemView::activated);
    KeyWitness resultWitness;
    m_pane.sevResult()->installEventFilter(&resultWitness);

    select(m_pane.sevKunden(), {2});
    customers->setCurrentIndex(customers->model()->index(1, 0));
    QTest::keyClick(customers, Qt::Key_A);
    EXPECT_EQ(recipientNumbers(), QStringList());
    QTest::keyClick(customers, Qt::Key_Return);
    EXPECT_EQ(recipientNumbers(), QStringList({u"3"_s}));
    EXPECT_EQ(activated.count(), 0) << "Enter must not reach the customer grid";

    const QRect fourth = customers->visualRect(customers->model()->index(3, 1));
    // A real double click: press and release, then the double-click event.
    QTest::mouseClick(customers->viewport(), Qt::LeftButton, {}, fourth.center());
    QTest::mouseDClick(customers->viewport(), Qt::LeftButton, {}, fourth.center());
    EXPECT_EQ(recipientNumbers(), QStringList({u"3"_s, u"7"_s}));

    select(m_pane.sevResult(), {1});
    QTest::keyClick(result, Qt::Key_Insert);
    EXPECT_EQ(recipientNumbers(), QStringList({u"3"_s, u"7"_s}));
    QTest::keyClick(result, Qt::Key_Delete);
    EXPECT_EQ(recipientNumbers(), QStringList({u"7"_s}));
    EXPECT_FALSE(resultWitness.keys.contains(Qt::Key_Delete)) << "Delete must not reach the recipient grid";

    select(m_pane.sevKunden(), {2});
    const qsizetype activations = activated.count();
    QTest::keyClick(customers, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(recipientNumbers(), QStringList({u"7"_s, u"3"_s})) << "the keypad's Enter transfers too";
    EXPECT_EQ(activated.count(), activations);
}

TEST_P(RecipientPaneTest, ResizingACustomerColumnResizesTheRecipientColumn)
{
    loadStandardCustomers();
    // What the header does when the user drags its edge; the recipient grid's own edges stay fixed.
    m_pane.sevKunden()->view()->horizontalHeader()->resizeSection(2, 321);
    EXPECT_EQ(m_pane.sevResult()->column(3).width(), 321);
    EXPECT_EQ(m_pane.sevResult()->view()->horizontalHeader()->sectionResizeMode(2), QHeaderView::Fixed);
}

TEST_P(RecipientPaneTest, MergeReadsRecipientRowsAsShown)
{
    loadStandardCustomers();
    select(m_pane.sevKunden(), {4, 2});
    m_pane.TransferSelected();
    const QString letter = u"<#KD_ANREDE#> <#KD_NAME#>, <#KD_EMail#> (<#KD_NUMMER#>)"_s;
    EXPECT_EQ(MergeText(m_pane.recipients(), 1, letter), u"Herr Name3, drei@example.org (3)"_s);
    EXPECT_EQ(MergeText(m_pane.recipients(), 2, letter), u"Herr Name7, sieben@example.org (7)"_s);
    EXPECT_EQ(MergeText(m_pane.recipients(), 3, letter), letter);
    Q_EMIT m_pane.sevResult()->view()->horizontalHeader()->sectionClicked(0);
    Q_EMIT m_pane.sevResult()->view()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(MergeText(m_pane.recipients(), 1, letter), u"Herr Name7, sieben@example.org (7)"_s);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecipientPaneTest, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto &test) { return test.param == Backend::SQLite ? "SQLite" : "PostgreSQL"; });

} // namespace
