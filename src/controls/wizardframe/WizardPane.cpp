#include "controls/wizardframe/WizardPane.h"

#include "controls/wizardframe/FramePalette.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

QFrame *plainFrame(QWidget *parent, const QString &name)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

// QLabel breaks lines at "\n"; the stored text keeps its "\r\n" pairs.
QString shownText(const QString &text)
{
    return QString(text).remove(QLatin1Char('\r'));
}

} // namespace

WizardPane::WizardPane(QWidget *parent)
    : QWidget(parent)
    , m_backColor(FramePalette::back())
    , m_borderColor(FramePalette::border())
    , m_accentColor(FramePalette::accent())
    , m_foreColor(FramePalette::fore())
    , m_header(plainFrame(this, QStringLiteral("wizardPaneHeader")))
    , m_accent(plainFrame(m_header, QStringLiteral("wizardPaneAccent")))
    , m_rule(plainFrame(this, QStringLiteral("wizardPaneRule")))
    , m_titleLabel(new QLabel(m_header))
    , m_descriptionLabel(new QLabel(m_header))
    , m_iconLabel(new QLabel(m_header))
    , m_body(new QWidget(this))
{
    m_body->setObjectName(QStringLiteral("wizardPaneBody"));
    m_accent->setFixedWidth(5);
    m_rule->setFixedHeight(1);
    QFont titleFont = m_titleLabel->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
    titleFont.setBold(true);
    m_titleLabel->setFont(titleFont);
    m_descriptionLabel->setWordWrap(true);
    m_descriptionLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_iconLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_iconLabel->setContentsMargins(0, 12, 0, 12);
    m_iconLabel->hide();

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_titleLabel);
    texts->addWidget(m_descriptionLabel);
    auto *header = new QHBoxLayout(m_header);
    header->setContentsMargins(0, 0, 14, 0);
    header->setSpacing(14);
    header->addWidget(m_accent);
    header->addLayout(texts, 1);
    header->addWidget(m_iconLabel);
    texts->setContentsMargins(0, 12, 0, 12);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_rule);
    layout->addWidget(m_body, 1);
    applyColors();
}

WizardPane::~WizardPane() = default;

void WizardPane::setTitle(const QString &title)
{
    m_title = title;
    m_titleLabel->setText(shownText(title));
}

void WizardPane::setDescription(const QString &description)
{
    m_description = description;
    m_descriptionLabel->setText(shownText(description));
}

void WizardPane::setIcon(const QPixmap &icon)
{
    m_iconLabel->setPixmap(icon);
    m_iconLabel->setVisible(!icon.isNull());
}

void WizardPane::setHeaderVisible(bool visible)
{
    m_header->setVisible(visible);
    m_rule->setVisible(visible);
}

bool WizardPane::HeaderVisible() const
{
    return !m_header->isHidden();
}

void WizardPane::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyColors();
}

void WizardPane::setBorderColor(const QColor &color)
{
    m_borderColor = color;
    applyColors();
}

void WizardPane::setAccentColor(const QColor &color)
{
    m_accentColor = color;
    applyColors();
}

void WizardPane::setForeColor(const QColor &color)
{
    m_foreColor = color;
    applyColors();
}

void WizardPane::applyColors()
{
    m_header->setStyleSheet(QStringLiteral("QFrame#wizardPaneHeader { background: %1; }"
                                           " QLabel { color: %2; background: transparent; }")
                                .arg(m_backColor.name(), m_foreColor.name()));
    m_accent->setStyleSheet(QStringLiteral("background: %1;").arg(m_accentColor.name()));
    m_rule->setStyleSheet(QStringLiteral("background: %1;").arg(m_borderColor.name()));
}

} // namespace OrvVelmora
