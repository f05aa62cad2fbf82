#include "wizard/ResumeDialog.h"

#include "base/platform/PlatformServices.h"
#include "journal/DeliveryBook.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace OrvVelmora {

ResumeDialog::ResumeDialog(const QString &text, const QList<JournalRecipient> &uncertain, QWidget *parent)
    : QDialog(parent)
    , m_uncertain(uncertain)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmVersandFortsetzen"));
    setWindowTitle(QStringLiteral("Systemmeldung..."));
    auto *label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    label->setWordWrap(true);
    for (const JournalRecipient &r : uncertain) {
        auto *item = new QListWidgetItem(QStringLiteral("%1  %2  <%3>").arg(r.kundenNr, r.name, r.address), m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Fortsetzen"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("cmdFortsetzen"));
    buttons->addButton(QStringLiteral("Nicht fortsetzen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(560, 400);
}

QSet<QString> ResumeDialog::ticked() const
{
    QSet<QString> keys;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            keys.insert(DeliveryBook::keyOf(m_uncertain.at(i).kundenNr, m_uncertain.at(i).address));
    return keys;
}

std::optional<QSet<QString>> ResumeDialog::choose(const QString &text, const QList<JournalRecipient> &uncertain)
{
    ResumeDialog dialog(text, uncertain);
    if (PlatformServices::instance().execDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.ticked();
}

} // namespace OrvVelmora
