#pragma once

#include "journal/DeliveryBook.h"

#include <QDialog>

class QTableWidget;

namespace OrvVelmora {

/// After a run in which somebody did not get the message: who (Kunden-Nr,
/// name, address) and why, with "Liste speichern…" (a CSV file for a
/// spreadsheet) and "Erneut senden" (a run for exactly these recipients,
/// reported by resendRequested()).
class FailureListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FailureListDialog(const QList<FailedRecipient> &failures, QWidget *parent = nullptr);

    [[nodiscard]] bool resendRequested() const { return m_resend; }
    [[nodiscard]] QTableWidget *table() const { return m_table; }

    /// "Liste speichern…": asks for a file through PlatformServices and writes it.
    void saveList();

private:
    QList<FailedRecipient> m_failures;
    QTableWidget *m_table;
    bool m_resend = false;
};

} // namespace OrvVelmora
