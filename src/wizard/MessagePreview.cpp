#include "wizard/MessagePreview.h"

#include "sendrun/FormattedBody.h"
#include "sendrun/SendRecipients.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

QLabel *valueLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

MessagePreview::MessagePreview(std::unique_ptr<SendRecipients> recipients, const QString &subject, const QString &rtf,
                               const QList<SendAttachment> &attachments, QWidget *parent)
    : QDialog(parent)
    , m_recipients(std::move(recipients))
    , m_subjectTemplate(subject)
    , m_rtf(rtf)
    , m_position(new QLabel(this))
    , m_to(valueLabel(this))
    , m_subject(valueLabel(this))
    , m_attached(valueLabel(this))
    , m_body(new QTextBrowser(this))
    , m_previous(new QPushButton(QStringLiteral("< &Vorheriger"), this))
    , m_next(new QPushButton(QStringLiteral("&Nächster >"), this))
{
    setObjectName(QStringLiteral("frmVorschau"));
    setWindowTitle(QStringLiteral("Vorschau"));
    m_body->setOpenLinks(false);
    buildLayout(attachments);
    connect(m_previous, &QPushButton::clicked, this, [this] { showRow(m_row - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showRow(m_row + 1); });
    resize(720, 560);
    showRow(1);
}

MessagePreview::~MessagePreview() = default;

// A file marked for ZIP travels as an archive named after it with ".zip".
void MessagePreview::buildLayout(const QList<SendAttachment> &attachments)
{
    QStringList names;
    for (const SendAttachment &attachment : attachments)
        names << QFileInfo(attachment.fileName).fileName() + (attachment.zip ? QStringLiteral(".zip") : QString());
    m_attached->setText(names.isEmpty() ? QStringLiteral("keine") : names.join(QStringLiteral(", ")));

    auto *head = new QFormLayout;
    head->addRow(QStringLiteral("An:"), m_to);
    head->addRow(QStringLiteral("Betreff:"), m_subject);
    head->addRow(QStringLiteral("Anlagen:"), m_attached);

    auto *close = new QPushButton(QStringLiteral("&Schließen"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_previous);
    buttons->addWidget(m_position);
    buttons->addWidget(m_next);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(m_body, 1);
    layout->addLayout(buttons);
}

void MessagePreview::showRow(int row)
{
    const int count = m_recipients->rowCount();
    if (row < 1 || row > count)
        return;
    m_row = row;
    m_position->setText(QStringLiteral("Empfänger %1 von %2").arg(row).arg(count));
    m_to->setText(m_recipients->cell(row, QStringLiteral("EMail")).value_or(QString()));
    m_subject->setText(MergeText(*m_recipients, row, m_subjectTemplate));
    m_body->setHtml(forQtText(FormattedBody::html(*m_recipients, row, m_rtf)
                                  .value_or(QStringLiteral("<p>Der Text kann nicht dargestellt werden.</p>"))));
    m_previous->setEnabled(row > 1);
    m_next->setEnabled(row < count);
}

QString MessagePreview::forQtText(QString html)
{
    static const QRegularExpression emptyParagraph(QStringLiteral("(<(?:p|li)\\b[^>]*>(?:<span[^>]*>)?)<br>"
                                                                  "((?:</span>)?</(?:p|li)>)"));
    static const QRegularExpression closingBreak(QStringLiteral("<br>((?:</span>)?</(?:p|li)>)"));
    html.replace(emptyParagraph, QStringLiteral("\\1&nbsp;\\2"));
    html.replace(closingBreak, QStringLiteral("\\1"));
    return html;
}

} // namespace OrvVelmora
