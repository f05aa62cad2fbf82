#include "wizard/SendConfirmationDialog.h"

#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "sendrun/SendRecipients.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

// A finding about thousands of recipients lists the first ones; the line
// itself says how many there are.
constexpr int kListedRows = 200;

QString describeRow(const SendRecipients &recipients, qint32 row)
{
    const auto cell = [&](const char *key) {
        return recipients.cell(row, QString::fromLatin1(key)).value_or(QString()).trimmed();
    };
    const QString name = (cell("Vorname") + QLatin1Char(' ') + cell("Name")).trimmed();
    return QStringLiteral("%1  %2  <%3>").arg(cell("KundenNr"), name, cell("EMail"));
}

} // namespace

SendConfirmationDialog::SendConfirmationDialog(const SendConfirmation &question, const SendRecipients &recipients,
                                               QWidget *parent)
    : QDialog(parent)
    , m_confirmation(question)
    , m_question(new QLabel(this))
    , m_findings(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmVersandPruefung"));
    setWindowTitle(QStringLiteral("Systemmeldung..."));
    m_question->setWordWrap(true);
    m_question->setTextFormat(Qt::PlainText);
    m_findings->setHeaderHidden(true);
    m_findings->setWordWrap(true);
    m_findings->setUniformRowHeights(false);
    m_findings->setTextElideMode(Qt::ElideRight);
    // One column as wide as the list, so that a long finding wraps instead of being cut.
    m_findings->header()->setStretchLastSection(false);
    m_findings->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (const PreflightFinding &finding : question.findings)
        addFinding(finding, recipients);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_question);
    layout->addWidget(m_findings, 1);
    auto *buttons = new QDialogButtonBox(this);
    if (question.countEach > question.count && !question.refused()) {
        m_eachAddress =
            new QCheckBox(QStringLiteral("An jede &Adresse so oft senden, wie sie in der Liste steht"), this);
        connect(m_eachAddress, &QCheckBox::toggled, this, &SendConfirmationDialog::updateQuestion);
        layout->addWidget(m_eachAddress);
    }
    if (!question.refused()) {
        m_send = buttons->addButton(QStringLiteral("&Trotzdem senden"), QDialogButtonBox::AcceptRole);
        m_send->setObjectName(QStringLiteral("cmdTrotzdemSenden"));
        m_send->setAutoDefault(false);
    }
    QPushButton *cancel =
        buttons->addButton(question.refused() ? QStringLiteral("&Schließen") : QStringLiteral("&Nicht senden"),
                           QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdNichtSenden"));
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    updateQuestion();
    resize(720, 460);
}

void SendConfirmationDialog::addFinding(const PreflightFinding &finding, const SendRecipients &recipients)
{
    auto *item = new QTreeWidgetItem(m_findings, {finding.text});
    item->setToolTip(0, finding.text);
    item->setIcon(
        0, style()->standardIcon(finding.refuses ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
    for (qsizetype i = 0; i < finding.rows.size() && i < kListedRows; ++i)
        new QTreeWidgetItem(item, {describeRow(recipients, finding.rows.at(i))});
    if (finding.rows.size() > kListedRows)
        new QTreeWidgetItem(item, {QStringLiteral("… und %1 weitere").arg(finding.rows.size() - kListedRows)});
    item->setExpanded(true);
}

void SendConfirmationDialog::updateQuestion()
{
    if (m_confirmation.refused()) {
        m_question->setText(QStringLiteral("Die e-Mails können so nicht gesendet werden. Bitte beheben Sie zuerst, "
                                           "was unten mit dem roten Zeichen steht:"));
        return;
    }
    const qint32 count = duplicates() == DuplicateAddresses::SendEach ? m_confirmation.countEach : m_confirmation.count;
    m_question->setText(countedText(count,
                                    QStringLiteral("%n e-Mail an den ausgewählten Kunden über %1 senden?\n\n"
                                                   "Bei der Prüfung ist aufgefallen:"),
                                    QStringLiteral("%n e-Mails an die ausgewählten Kunden über %1 senden?\n\n"
                                                   "Bei der Prüfung ist aufgefallen:"))
                            .arg(m_confirmation.server));
}

DuplicateAddresses SendConfirmationDialog::duplicates() const
{
    return m_eachAddress && m_eachAddress->isChecked() ? DuplicateAddresses::SendEach : DuplicateAddresses::SendOnce;
}

std::optional<DuplicateAddresses> SendConfirmationDialog::ask(const SendConfirmation &question,
                                                              const SendRecipients &recipients, QWidget *parent)
{
    SendConfirmationDialog dialog(question, recipients, parent);
    if (PlatformServices::instance().execDialog(dialog) != QDialog::Accepted || question.refused())
        return std::nullopt;
    return dialog.duplicates();
}

} // namespace OrvVelmora
