#include "wizard/SendStatusPane.h"

#include "controls/wizardframe/TabStrip.h"
#include "wizard/ElidedLabel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

const char *const kCaptions[] = {
    "Sendestatus",
    "e-Mail wird an foldenden Kunden gesendet:",
    "Kunden-Nr.",
    "Anrede",
    "Vorname / Name",
    "Firma",
    "Zusatz",
    "PLZ / Ort",
    "Land",
    "e-Mail Adresse",
    "Strasse",
    "Gesendete Mails",
    "Nicht gesendete Mails",
    "Meldung des e-Mail Servers",
    "Zustellung unsicher",
    "Noch offen",
};

QFormLayout *valueForm()
{
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setHorizontalSpacing(18);
    form->setVerticalSpacing(9);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(12);
    return layout;
}

void makeHeading(QLabel *label)
{
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    label->setFont(font);
}

} // namespace

SendStatusPane::SendStatusPane(QWidget *parent)
    : QWidget(parent)
    , m_sevRegisterStatus(new TabStrip(this))
    , m_sevRegisterVorgang(new TabStrip(this))
    , m_mainProgressBar(new QProgressBar(this))
    , m_cmdAnhalten(new QPushButton(QStringLiteral("Versand an&halten"), this))
{
    m_cmdAnhalten->setObjectName(QStringLiteral("cmdAnhalten"));
    m_cmdAnhalten->hide();
    m_sevRegisterStatus->setObjectName(QStringLiteral("sevRegisterStatus"));
    m_sevRegisterVorgang->setObjectName(QStringLiteral("sevRegisterVorgang"));
    m_mainProgressBar->setObjectName(QStringLiteral("mainProgressBar"));
    m_mainProgressBar->setRange(0, 100);
    m_mainProgressBar->setValue(0);
    for (int i = 0; i < int(std::size(kCaptions)); ++i)
        m_captions.append(caption(i, QString::fromUtf8(kCaptions[i])));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(16);
    layout->addWidget(m_sevRegisterStatus, 1);
    layout->addWidget(m_sevRegisterVorgang, 1);
    buildStatusPage();
    buildRecipientPage();
}

SendStatusPane::~SendStatusPane() = default;

QLabel *SendStatusPane::caption(int index, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("lblBezeichnung%1").arg(index));
    return label;
}

// Customer data can be any length; a value label never pushes the pane wider
// than the window (see ElidedLabel).
QLabel *SendStatusPane::value(SendLabel which, const char *name, const QString &text)
{
    auto *label = new ElidedLabel(this);
    label->setText(text);
    label->setObjectName(QLatin1String(name));
    m_values.insert(which, label);
    return label;
}

QWidget *SendStatusPane::buildStatusPage()
{
    QWidget *page = m_sevRegisterStatus->addPage(QStringLiteral("Sendestatus..."));
    QVBoxLayout *layout = pageLayout(page);
    makeHeading(m_captions[0]);
    layout->addWidget(m_captions[0]);
    QFormLayout *form = valueForm();
    form->addRow(m_captions[11], value(SendLabel::lblOK, "lblOK", QStringLiteral("0")));
    form->addRow(m_captions[12], value(SendLabel::lblError, "lblError", QStringLiteral("0")));
    form->addRow(m_captions[14], value(SendLabel::lblUnsicher, "lblUnsicher", QStringLiteral("0")));
    form->addRow(m_captions[15], value(SendLabel::lblOffen, "lblOffen", QStringLiteral("0")));
    form->addRow(m_captions[13], statusLabel());
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(m_mainProgressBar);
    layout->addWidget(m_cmdAnhalten, 0, Qt::AlignLeft);
    return page;
}

// The server's message wraps over up to three lines; a word longer than the
// pane (a long address, a token) is cut rather than widening it, and the
// form puts the whole message in the tooltip.
QLabel *SendStatusPane::statusLabel()
{
    auto *status = new QLabel(this);
    status->setObjectName(QStringLiteral("lblStatus"));
    status->setTextFormat(Qt::PlainText);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->setWordWrap(true);
    status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->setMinimumHeight(status->fontMetrics().height() * 3);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_values.insert(SendLabel::lblStatus, status);
    return status;
}

QWidget *SendStatusPane::buildRecipientPage()
{
    QWidget *page = m_sevRegisterVorgang->addPage(QStringLiteral("Aktueller Vorgang..."));
    QVBoxLayout *layout = pageLayout(page);
    makeHeading(m_captions[1]);
    layout->addWidget(m_captions[1]);
    QFormLayout *form = valueForm();
    form->addRow(m_captions[2], value(SendLabel::lblKundenNr, "lblKundenNr"));
    form->addRow(m_captions[3], value(SendLabel::lblAnrede, "lblAnrede"));
    form->addRow(m_captions[4], value(SendLabel::lblName, "lblName"));
    form->addRow(m_captions[5], value(SendLabel::lblFirma, "lblFirma"));
    form->addRow(m_captions[6], value(SendLabel::lblZusatz, "lblZusatz"));
    form->addRow(m_captions[10], value(SendLabel::lblStrasse, "lblStrasse"));
    form->addRow(m_captions[7], value(SendLabel::lblPLZ, "lblPLZ"));
    form->addRow(m_captions[8], value(SendLabel::lblLand, "lblLand"));
    form->addRow(m_captions[9], value(SendLabel::lblEMail, "lblEMail"));
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QLabel *SendStatusPane::lblBezeichnung(int index) const
{
    return index >= 0 && index < m_captions.size() ? m_captions.at(index) : nullptr;
}

QLabel *SendStatusPane::label(SendLabel which) const
{
    return m_values.value(which);
}

QList<QLabel *> SendStatusPane::valueLabels() const
{
    QList<QLabel *> labels;
    for (SendLabel which :
         {SendLabel::lblKundenNr, SendLabel::lblAnrede, SendLabel::lblName, SendLabel::lblFirma, SendLabel::lblZusatz,
          SendLabel::lblStrasse, SendLabel::lblPLZ, SendLabel::lblLand, SendLabel::lblEMail, SendLabel::lblOK,
          SendLabel::lblError, SendLabel::lblStatus, SendLabel::lblUnsicher, SendLabel::lblOffen})
        labels.append(label(which));
    return labels;
}

} // namespace OrvVelmora
