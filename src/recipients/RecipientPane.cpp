#include "recipients/RecipientPane.h"

#include "base/platform/PlatformServices.h"
#include "controls/grid/GridComponent.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <array>

namespace OrvVelmora {

namespace {

const QString kKundenNr = QStringLiteral("KundenNr");

// The customer fields in column order; the key column is first.
const std::array<QString, 16> &customerFields()
{
    static const std::array<QString, 16> fields{
        kKundenNr,
        QStringLiteral("Anrede"),
        QStringLiteral("Vorname"),
        QStringLiteral("Name"),
        QStringLiteral("Firma"),
        QStringLiteral("Zusatz"),
        QStringLiteral("AnsprechPartner"),
        QStringLiteral("Strasse"),
        QStringLiteral("PLZ"),
        QStringLiteral("Ort"),
        QStringLiteral("Land"),
        QStringLiteral("EMail"),
        QStringLiteral("FreiFeld1"),
        QStringLiteral("FreiFeld2"),
        QStringLiteral("FreiFeld3"),
        QStringLiteral("PreisGruppe"),
    };
    return fields;
}

// The cells copied into a new recipient row after its key, in this order.
const std::array<QString, 15> &copiedFields()
{
    static const std::array<QString, 15> fields{
        QStringLiteral("Anrede"),    QStringLiteral("Name"),      QStringLiteral("Vorname"),
        QStringLiteral("Firma"),     QStringLiteral("Zusatz"),    QStringLiteral("AnsprechPartner"),
        QStringLiteral("Strasse"),   QStringLiteral("PLZ"),       QStringLiteral("Ort"),
        QStringLiteral("Land"),      QStringLiteral("EMail"),     QStringLiteral("FreiFeld1"),
        QStringLiteral("FreiFeld2"), QStringLiteral("FreiFeld3"), QStringLiteral("PreisGruppe"),
    };
    return fields;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

class RecipientPane::ResultRows final : public MergeRowSource
{
public:
    explicit ResultRows(const GridComponent &grid)
        : m_grid(grid)
    {
    }
    std::optional<QString> cell(int row, const QString &columnKey) const override
    {
        return m_grid.cellText(row, columnKey);
    }

private:
    const GridComponent &m_grid;
};

RecipientPane::RecipientPane(QWidget *parent)
    : QWidget(parent)
    , m_sevKunden(new GridComponent(this))
    , m_sevResult(new GridComponent(this))
    , m_cmdAddKunde(makeButton(QStringLiteral("cmdAddKunde"), QStringLiteral("Ausgewählte &Kunden übernehmen"), this))
    , m_cmdAddAllKunde(makeButton(QStringLiteral("cmdAddAllKunde"), QStringLiteral("Alle Kunden ü&bernehmen"), this))
    , m_cmdRemoveKunde(
          makeButton(QStringLiteral("cmdRemoveKunde"), QStringLiteral("Ausgewählten Kunden en&tfernen"), this))
    , m_cmdRemoveAllKunde(
          makeButton(QStringLiteral("cmdRemoveAllKunde"), QStringLiteral("A&lle Kunden entfernen"), this))
    , m_resultRows(std::make_unique<ResultRows>(*m_sevResult))
{
    m_sevKunden->setObjectName(QStringLiteral("sevKunden"));
    m_sevResult->setObjectName(QStringLiteral("sevResult"));
    buildLayout();
    applyDesignSettings();
    connectGestures();
}

RecipientPane::~RecipientPane() = default;

void RecipientPane::buildLayout()
{
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_cmdAddKunde, m_cmdAddAllKunde, m_cmdRemoveKunde, m_cmdRemoveAllKunde})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_sevKunden, 3);
    layout->addLayout(buttons);
    layout->addWidget(m_sevResult, 2);
    // Tab follows the reading order: the customers, the buttons below them, the chosen list.
    QWidget *previous = m_sevKunden->view();
    for (QWidget *next : std::initializer_list<QWidget *>{m_cmdAddKunde, m_cmdAddAllKunde, m_cmdRemoveKunde,
                                                          m_cmdRemoveAllKunde, m_sevResult->view()}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void RecipientPane::applyDesignSettings()
{
    m_sevKunden->setCaption(QStringLiteral("Ihre Kunden mit eingetragener e-Mail Adresse..."));
    m_sevResult->setCaption(QStringLiteral("Kundenliste für Ihre Velmora..."));
    m_sevKunden->view()->setAccessibleName(QStringLiteral("Kunden"));
    m_sevResult->view()->setAccessibleName(QStringLiteral("Empfänger"));
    for (GridComponent *grid : {m_sevKunden, m_sevResult}) {
        grid->setAllowMultiSelect(true);
        grid->setAutoSort(true);
        grid->setAllowRowSizing(false);
    }
    m_sevResult->setAllowColumnSizing(false);
}

void RecipientPane::connectGestures()
{
    connect(m_cmdAddKunde, &QPushButton::clicked, this, &RecipientPane::TransferSelected);
    connect(m_cmdAddAllKunde, &QPushButton::clicked, this, &RecipientPane::TransferAll);
    connect(m_cmdRemoveKunde, &QPushButton::clicked, this, &RecipientPane::RemoveSelected);
    connect(m_cmdRemoveAllKunde, &QPushButton::clicked, this, &RecipientPane::RemoveAll);
    connect(m_sevKunden, &GridComponent::doubleClicked, this, &RecipientPane::TransferSelected);
    connect(m_sevKunden, &GridComponent::keyPressed, this, [this](int &charCode) {
        if (charCode != 13)
            return;
        charCode = 0;
        TransferSelected();
    });
    connect(m_sevResult, &GridComponent::keyDown, this, [this](int &keyCode, int &shift) {
        if (keyCode != 46)
            return;
        keyCode = 0;
        shift = 0;
        RemoveSelected();
    });
    connect(m_sevKunden, &GridComponent::columnResized, this,
            [this](int column, int width) { m_sevResult->column(column).setWidth(width); });
}

void RecipientPane::LoadCustomers(const QSqlDatabase &connection)
{
    m_sevKunden->clear(true);
    m_sevResult->clear(true);
    if (!m_customers.open(connection) || !m_sevKunden->setDataSource(m_customers.query()))
        return;
    fixCaptions();
    m_sevKunden->refresh();
    // Rows arrive ordered by customer number: show that order, and fit the widths.
    m_sevKunden->setSortIndicator(kKundenNr, 1);
    m_sevKunden->autoSizeColumns();
    copyColumnsToResult();
    m_cmdAddKunde->setEnabled(m_sevKunden->rowCount() > 0);
    m_cmdRemoveKunde->setEnabled(m_sevResult->rowCount() > 0);
}

void RecipientPane::fixCaptions()
{
    const std::array<std::pair<QString, QString>, 6> captions{{
        {kKundenNr, QStringLiteral("Kunden Nr")},
        {QStringLiteral("AnsprechPartner"), QStringLiteral("Anspr. Partner")},
        {QStringLiteral("EMail"), QStringLiteral("e-Mail Adresse")},
        {QStringLiteral("FreiFeld1"), QStringLiteral("Freifeld 1")},
        {QStringLiteral("FreiFeld2"), QStringLiteral("Freifeld 2")},
        {QStringLiteral("FreiFeld3"), QStringLiteral("Freifeld 3")},
    }};
    for (const auto &[key, caption] : captions)
        m_sevKunden->column(key).setCaption(caption);
    // Servers that fold unquoted names (PostgreSQL: "anrede") would otherwise
    // caption the other columns in lower case; the user sees the field names.
    for (const QString &field : customerFields()) {
        GridColumn column = m_sevKunden->column(field);
        if (column.caption() != field && column.caption().compare(field, Qt::CaseInsensitive) == 0)
            column.setCaption(field);
    }
}

void RecipientPane::copyColumnsToResult()
{
    for (int position = 1; position <= m_sevKunden->columnCount(); ++position) {
        const GridColumn source = m_sevKunden->column(position);
        GridColumn target = m_sevResult->addColumn(source.key());
        target.setCaption(source.caption());
        target.setWidth(source.width());
    }
}

void RecipientPane::CloseCustomers()
{
    m_customers.close();
}

bool RecipientPane::customersOpen() const
{
    return m_customers.isOpen();
}

int RecipientPane::RecipientCount() const
{
    return m_sevResult->rowCount();
}

std::optional<QString> RecipientPane::RecipientField(int row, const QString &key) const
{
    return m_sevResult->cellText(row, key);
}

const MergeRowSource &RecipientPane::recipients() const
{
    return *m_resultRows;
}

void RecipientPane::setRecipients(const QList<QMap<QString, QString>> &rows)
{
    // Without the customer load the list has no columns yet.
    if (m_sevResult->columnCount() == 0)
        for (const QString &field : customerFields())
            m_sevResult->addColumn(field, field);
    m_sevResult->clear(false);
    {
        GridComponent::UpdateBatch batch(*m_sevResult);
        for (const QMap<QString, QString> &row : rows) {
            GridRow added = m_sevResult->addRow(row.value(kKundenNr));
            for (const QString &field : copiedFields())
                added.setCell(field, row.value(field));
        }
    }
    updateRemoveButtons();
}

void RecipientPane::TransferSelected()
{
    WaitPointer wait;
    m_cmdAddKunde->setEnabled(false);
    m_cmdAddAllKunde->setEnabled(false);
    PlatformServices::instance().processEvents();
    bool completed = true;
    {
        // The grid hears of the new rows once, not once per row and cell.
        GridComponent::UpdateBatch batch(*m_sevResult);
        const int selected = m_sevKunden->selectedRowCount();
        for (int position = 0; completed && position < selected; ++position)
            completed = transferRow(m_sevKunden->selectedRow(position));
    }
    m_cmdAddKunde->setEnabled(true);
    m_cmdAddAllKunde->setEnabled(true);
    if (!completed)
        return;
    PlatformServices::instance().processEvents();
    updateRemoveButtons();
    m_sevKunden->refresh();
    m_sevKunden->setFocus();
}

bool RecipientPane::transferRow(int customerRow)
{
    const std::optional<QString> key = m_sevKunden->cellText(customerRow, kKundenNr);
    const int keyColumn = m_sevResult->columnPosition(kKundenNr);
    if (!key || keyColumn == 0)
        return false;
    const int existing = m_sevResult->find(*key, keyColumn, 1, true);
    if (existing > 0)
        return m_sevResult->setCurrentRow(existing);
    GridRow added = m_sevResult->addRow(*key);
    if (!added.isValid())
        return false;
    for (const QString &field : copiedFields()) {
        const std::optional<QString> value = m_sevKunden->cellText(customerRow, field);
        if (!value || !added.setCell(field, *value))
            return false;
    }
    return m_sevResult->setCurrentRow(m_sevResult->rowCount());
}

void RecipientPane::updateRemoveButtons()
{
    const bool any = m_sevResult->rowCount() > 0;
    m_cmdRemoveKunde->setEnabled(any);
    m_cmdRemoveAllKunde->setEnabled(any);
}

void RecipientPane::TransferAll()
{
    m_sevKunden->selectAll();
    TransferSelected();
}

void RecipientPane::RemoveSelected()
{
    {
        WaitPointer wait;
        m_cmdRemoveKunde->setEnabled(false);
        m_cmdRemoveAllKunde->setEnabled(false);
        m_sevResult->removeSelectedRows();
        m_sevResult->refresh();
    }
    if (m_sevResult->rowCount() == 0)
        return;
    updateRemoveButtons();
    m_sevResult->setCurrentRow(m_sevResult->rowCount());
}

void RecipientPane::RemoveAll()
{
    m_sevResult->selectAll();
    RemoveSelected();
}

} // namespace OrvVelmora
