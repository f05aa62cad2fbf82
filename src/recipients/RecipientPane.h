#pragma once

#include "merge/MergeText.h"
#include "recipients/CustomerRecordSet.h"

#include <QWidget>

#include <memory>
#include <optional>

class QPushButton;
class QSqlDatabase;

namespace OrvVelmora {

class GridComponent;

/// The recipients pane: the customer grid sevKunden (every customer with an
/// e-mail address), the recipient grid sevResult and the four transfer and
/// removal buttons. The recipient grid is the one source of recipients for the
/// rest of the wizard: a recipient's field is the cell at (row from 1, column
/// key), the keys being the customer fields (KundenNr ... PreisGruppe).
///
/// Failures never reach the caller: the load stops silently at its first
/// failure, a transfer at its first failing row; removals skip failing steps.
class RecipientPane : public QWidget
{
    Q_OBJECT
public:
    explicit RecipientPane(QWidget *parent = nullptr);
    ~RecipientPane() override;

    [[nodiscard]] GridComponent *sevKunden() const { return m_sevKunden; }
    [[nodiscard]] GridComponent *sevResult() const { return m_sevResult; }
    [[nodiscard]] QPushButton *cmdAddKunde() const { return m_cmdAddKunde; }
    [[nodiscard]] QPushButton *cmdAddAllKunde() const { return m_cmdAddAllKunde; }
    [[nodiscard]] QPushButton *cmdRemoveKunde() const { return m_cmdRemoveKunde; }
    [[nodiscard]] QPushButton *cmdRemoveAllKunde() const { return m_cmdRemoveAllKunde; }

    /// Clears both grids, opens the customer record set on the connection,
    /// shows it in sevKunden and gives sevResult the same columns.
    void LoadCustomers(const QSqlDatabase &connection);
    /// Closes and lets go the customer record set; the form calls it when it closes.
    void CloseCustomers();
    [[nodiscard]] bool customersOpen() const;

    [[nodiscard]] int RecipientCount() const;
    /// The text of the recipient's cell; nothing for an unknown row or key.
    [[nodiscard]] std::optional<QString> RecipientField(int row, const QString &key) const;
    /// The recipient grid as the merge's row source.
    [[nodiscard]] const MergeRowSource &recipients() const;
    /// Replaces the recipient list by these rows (column key -> text), as a
    /// mailing taken up again after an interruption had them.
    void setRecipients(const QList<QMap<QString, QString>> &rows);

public Q_SLOTS:
    void TransferSelected();
    void TransferAll();
    void RemoveSelected();
    void RemoveAll();

private:
    class ResultRows;

    void buildLayout();
    void applyDesignSettings();
    void connectGestures();
    void fixCaptions();
    void copyColumnsToResult();
    bool transferRow(int customerRow);
    void updateRemoveButtons();

    GridComponent *m_sevKunden;
    GridComponent *m_sevResult;
    QPushButton *m_cmdAddKunde;
    QPushButton *m_cmdAddAllKunde;
    QPushButton *m_cmdRemoveKunde;
    QPushButton *m_cmdRemoveAllKunde;
    CustomerRecordSet m_customers;
    std::unique_ptr<ResultRows> m_resultRows;
};

} // namespace OrvVelmora
