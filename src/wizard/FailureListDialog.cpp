#include "wizard/FailureListDialog.h"

#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "journal/FailureListCsv.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace OrvVelmora {

FailureListDialog::FailureListDialog(const QList<FailedRecipient> &failures, QWidget *parent)
    : QDialog(parent)
    , m_failures(failures)
    , m_table(new QTableWidget(int(failures.size()), 4, this))
{
    setObjectName(QStringLiteral("frmNichtGesendet"));
    setWindowTitle(QStringLiteral("Nicht gesendete e-Mails"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Kunden-Nr"), QStringLiteral("Name"), QStringLiteral("Adresse"), QStringLiteral("Grund")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < failures.size(); ++row) {
        const FailedRecipient &f = failures.at(row);
        const QStringList cells{f.kundenNr, f.name, f.address, f.reason};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *save = buttons->addButton(QStringLiteral("Liste speichern…"), QDialogButtonBox::ActionRole);
    QPushButton *resend = buttons->addButton(QStringLiteral("Erneut senden"), QDialogButtonBox::AcceptRole);
    // Enter closes the list; sending again takes a deliberate click.
    resend->setAutoDefault(false);
    QPushButton *close = buttons->addButton(QStringLiteral("Schließen"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    save->setObjectName(QStringLiteral("cmdListeSpeichern"));
    resend->setObjectName(QStringLiteral("cmdErneutSenden"));
    connect(save, &QPushButton::clicked, this, &FailureListDialog::saveList);
    connect(resend, &QPushButton::clicked, this, [this] {
        m_resend = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(countedText(failures.size(), QStringLiteral("%n Empfänger hat die e-Mail nicht erhalten:"),
                               QStringLiteral("%n Empfänger haben die e-Mail nicht erhalten:")),
                   this));
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(760, 420);
}

void FailureListDialog::saveList()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Liste speichern");
    request.filter = QStringLiteral("CSV-Dateien (*.csv)|*.csv");
    request.flags = 0x2;
    request.fileName = QStringLiteral("nicht-gesendet.csv");
    const std::optional<QString> path = PlatformServices::instance().showSave(request);
    if (path && !FailureListCsv::save(*path, m_failures))
        PlatformServices::instance().messageBox(
            QStringLiteral("Die Liste konnte nicht gespeichert werden:\r\n") + *path,
            QStringLiteral("Systemmeldung..."), MessageIcon::Stop, MessageButtons::Ok);
}

} // namespace OrvVelmora
