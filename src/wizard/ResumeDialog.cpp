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
    m_list->setVisible(!uncertain.isEmpty());
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *resume = buttons->addButton(QStringLiteral("&Fortsetzen"), QDialogButtonBox::AcceptRole);
    resume->setObjectName(QStringLiteral("cmdFortsetzen"));
    resume->setDefault(true);
    buttons->addButton(QStringLiteral("&Später"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cmdSpaeter"));
    QPushButton *never = buttons->addButton(QStringLiteral("&Nicht fortsetzen"), QDialogButtonBox::DestructiveRole);
    never->setObjectName(QStringLiteral("cmdNichtFortsetzen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(never, &QPushButton::clicked, this, [this] {
        m_never = true;
        reject();
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(560, uncertain.isEmpty() ? 220 : 400);
}

QSet<QString> ResumeDialog::ticked() const
{
    QSet<QString> keys;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            keys.insert(DeliveryBook::keyOf(m_uncertain.at(i).kundenNr, m_uncertain.at(i).address));
    return keys;
}

ResumeAnswer ResumeDialog::answer(int result) const
{
    if (result == QDialog::Accepted)
        return {ResumeAnswer::Choice::Continue, ticked()};
    return {m_never ? ResumeAnswer::Choice::Never : ResumeAnswer::Choice::Later, {}};
}

ResumeAnswer ResumeDialog::choose(const QString &text, const QList<JournalRecipient> &uncertain)
{
    ResumeDialog dialog(text, uncertain);
    return dialog.answer(PlatformServices::instance().execDialog(dialog));
}

} // namespace OrvVelmora
