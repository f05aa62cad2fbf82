#include "wizard/MessagePreview.h"

#include "merge/MergeText.h"
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

MessagePreview::MessagePreview(std::unique_ptr<SendRecipients> recipients, PreviewLetter letter, QWidget *parent)
    : QDialog(parent)
    , m_recipients(std::move(recipients))
    , m_letter(std::move(letter))
    , m_position(new QLabel(this))
    , m_to(valueLabel(this))
    , m_subject(valueLabel(this))
    , m_attached(valueLabel(this))
    , m_body(new QTextBrowser(this))
    , m_previous(new QPushButton(QStringLiteral("< &Vorheriger"), this))
    , m_next(new QPushButton(QStringLiteral("&Nächster >"), this))
    , m_testMail(new QPushButton(QStringLiteral("&Testversand an mich"), this))
{
    setObjectName(QStringLiteral("frmVorschau"));
    setWindowTitle(QStringLiteral("Vorschau"));
    m_testMail->setObjectName(QStringLiteral("cmdTestversand"));
    m_testMail->setEnabled(false);
    m_body->setOpenLinks(false);
    buildLayout();
    connect(m_previous, &QPushButton::clicked, this, [this] { showRow(m_row - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showRow(m_row + 1); });
    connect(m_testMail, &QPushButton::clicked, this, [this] {
        if (m_sendTest && m_row > 0)
            m_sendTest(mailFor(m_row));
    });
    resize(720, 560);
    showRow(1);
}

MessagePreview::~MessagePreview() = default;

void MessagePreview::setTestMail(std::function<void(const RecipientMail &)> send)
{
    m_sendTest = std::move(send);
    m_testMail->setEnabled(bool(m_sendTest));
}

void MessagePreview::buildLayout()
{
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
    buttons->addWidget(m_testMail);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(m_body, 1);
    layout->addLayout(buttons);
}

RecipientMail MessagePreview::mailFor(int row) const
{
    RecipientMail mail{m_recipients->cell(row, QStringLiteral("EMail")).value_or(QString()),
                       MergeText(*m_recipients, row, m_letter.subject),
                       MergeText(*m_recipients, row, m_letter.text),
                       FormattedBody::html(*m_recipients, row, m_letter.rtf).value_or(QString()),
                       m_letter.attachments,
                       m_letter.personal.zip,
                       {},
                       {}};
    if (m_letter.personal.isSet()) {
        const PersonalAttachment::Match match = m_letter.personal.matchFor(*m_recipients, row);
        mail.personalPath = match.path;
        if (!match.found())
            mail.personalMissing = PersonalAttachment::missingText(match.name);
    }
    return mail;
}

// A file marked for ZIP travels as an archive named after it with ".zip".
QString MessagePreview::attachmentNames(const RecipientMail &mail) const
{
    QStringList names;
    for (const SendAttachment &attachment : mail.attachments)
        names << QFileInfo(attachment.fileName).fileName() + (attachment.zip ? QStringLiteral(".zip") : QString());
    if (!mail.personalPath.isEmpty())
        names << QFileInfo(mail.personalPath).fileName() + (mail.personalZip ? QStringLiteral(".zip") : QString());
    else if (!mail.personalMissing.isEmpty())
        names << mail.personalMissing;
    return names.isEmpty() ? QStringLiteral("keine") : names.join(QStringLiteral(", "));
}

void MessagePreview::showRow(int row)
{
    const int count = m_recipients->rowCount();
    if (row < 1 || row > count)
        return;
    m_row = row;
    const RecipientMail mail = mailFor(row);
    m_position->setText(QStringLiteral("Empfänger %1 von %2").arg(row).arg(count));
    m_to->setText(mail.address);
    m_subject->setText(mail.subject);
    m_attached->setText(attachmentNames(mail));
    m_body->setHtml(forQtText(mail.html.isEmpty() && !m_letter.rtf.isEmpty()
                                  ? QStringLiteral("<p>Der Text kann nicht dargestellt werden.</p>")
                                  : mail.html));
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
