#include "controls/wizardframe/WizardFrame.h"

#include "controls/wizardframe/ButtonColors.h"
#include "controls/wizardframe/FramePalette.h"
#include "controls/wizardframe/WizardPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

QPushButton *frameButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

WizardFrame::WizardFrame(QWidget *parent)
    : QWidget(parent)
    , m_backColor(FramePalette::back())
    , m_foreColor(FramePalette::fore())
    , m_borderColor(FramePalette::border())
    , m_stack(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("mainWizard"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_stack, 1);
    layout->addWidget(buildButtonRow());
    connectButtons();
    applyColors();
    updateButtons();
}

WizardFrame::~WizardFrame() = default;

QWidget *WizardFrame::buildButtonRow()
{
    m_buttonRow = new QWidget(this);
    m_buttonRow->setObjectName(QStringLiteral("wizardButtonRow"));
    m_buttonRow->setAttribute(Qt::WA_StyledBackground);
    m_extra = frameButton(QStringLiteral("wizardExtra"), QString(), m_buttonRow);
    m_progressLabel = new QLabel(m_buttonRow);
    m_progressLabel->setObjectName(QStringLiteral("wizardProgressText"));
    m_progressLabel->setTextFormat(Qt::PlainText);
    // The label is never squeezed below its text ("Sende e-Mail 110 von 225").
    m_progressLabel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    m_progress = new QProgressBar(m_buttonRow);
    m_progress->setObjectName(QStringLiteral("wizardProgress"));
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(120);
    m_progress->setMaximumWidth(220);
    m_progress->setValue(0);
    m_busyBar = new QProgressBar(m_buttonRow);
    m_busyBar->setRange(0, 0);
    m_busyBar->setTextVisible(false);
    m_busyBar->setFixedWidth(80);
    m_back = frameButton(QStringLiteral("wizardBack"), QStringLiteral("< &Zurück"), m_buttonRow);
    m_next = frameButton(QStringLiteral("wizardNext"), QStringLiteral("&Weiter >"), m_buttonRow);
    m_finish = frameButton(QStringLiteral("wizardFinish"), QStringLiteral("&Fertigstellen"), m_buttonRow);
    m_cancel = frameButton(QStringLiteral("wizardCancel"), QStringLiteral("&Abbrechen"), m_buttonRow);
    m_extra->hide();
    m_progressLabel->hide();
    m_progress->hide();
    m_busyBar->hide();

    auto *row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(8);
    row->addWidget(m_extra);
    row->addSpacing(12);
    row->addWidget(m_progressLabel);
    row->addWidget(m_progress);
    row->addWidget(m_busyBar);
    row->addStretch(1);
    for (QPushButton *button : {m_back, m_next, m_finish})
        row->addWidget(button);
    row->addSpacing(12);
    row->addWidget(m_cancel);
    return m_buttonRow;
}

void WizardFrame::connectButtons()
{
    connect(m_next, &QPushButton::clicked, this, [this] { Q_EMIT NextClick(qint16(m_current)); });
    connect(m_back, &QPushButton::clicked, this, [this] { Q_EMIT BackClick(qint16(m_current)); });
    connect(m_finish, &QPushButton::clicked, this, &WizardFrame::FinishClick);
    connect(m_cancel, &QPushButton::clicked, this, &WizardFrame::CancelClick);
    connect(m_extra, &QPushButton::clicked, this, &WizardFrame::ExtraClick);
}

WizardPane *WizardFrame::addPane(const QString &title, const QString &description)
{
    auto *pane = new WizardPane(m_stack);
    pane->setTitle(title);
    pane->setDescription(description);
    pane->setForeColor(m_foreColor);
    m_panes.append(pane);
    m_stack->addWidget(pane);
    updateButtons();
    return pane;
}

WizardPane *WizardFrame::pane(int index) const
{
    return index >= 0 && index < m_panes.size() ? m_panes.at(index) : nullptr;
}

void WizardFrame::Start()
{
    showPane(m_panes.isEmpty() ? -1 : 0);
}

void WizardFrame::NextPane()
{
    if (m_current + 1 < m_panes.size())
        showPane(m_current + 1);
}

void WizardFrame::PreviousPane()
{
    if (m_current > 0)
        showPane(m_current - 1);
}

void WizardFrame::showPane(int index)
{
    m_current = index;
    if (index >= 0)
        m_stack->setCurrentIndex(index);
    updateButtons();
}

void WizardFrame::updateButtons()
{
    const bool started = m_current >= 0;
    const bool last = started && m_current == m_panes.size() - 1;
    m_back->setEnabled(m_navigation && m_current > 0);
    m_next->setEnabled(m_navigation && started && !last);
    m_finish->setEnabled(m_navigation && m_finishAllowed && last);
    m_cancel->setEnabled(m_navigation);
    m_extra->setEnabled(m_navigation);
}

void WizardFrame::ShowRunCompleted()
{
    m_cancel->setText(QStringLiteral("&Schließen"));
}

void WizardFrame::FocusCloseButton()
{
    m_cancel->setFocus(Qt::OtherFocusReason);
}

void WizardFrame::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyColors();
}

void WizardFrame::setForeColor(const QColor &color)
{
    m_foreColor = color;
    for (WizardPane *pane : std::as_const(m_panes))
        pane->setForeColor(color);
    applyColors();
}

void WizardFrame::setBorderColor(const QColor &color)
{
    m_borderColor = color;
    applyColors();
}

void WizardFrame::applyColors()
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, m_backColor);
    setPalette(palette);
    // The bar is drawn by the style sheet too, so that its filled part shows
    // in the scheme's colour whatever the platform style makes of it.
    m_buttonRow->setStyleSheet(QStringLiteral("QWidget#wizardButtonRow { background: %1;"
                                              " border-top: 1px solid %2; }"
                                              " QLabel { color: %3; }"
                                              " QProgressBar { background: white; border: 1px solid %2;"
                                              " border-radius: 3px; min-height: 14px; }"
                                              " QProgressBar::chunk { background: %3; }")
                                   .arg(m_backColor.name(), m_borderColor.name(), m_foreColor.name()));
    const ButtonColors colors{m_backColor, m_borderColor, m_foreColor};
    for (QPushButton *button : {m_extra, m_back, m_cancel})
        colors.applyTo(button);
    for (QPushButton *button : {m_next, m_finish})
        colors.applyTo(button, true);
}

void WizardFrame::setNavigationEnabled(bool enabled)
{
    m_navigation = enabled;
    updateButtons();
}

void WizardFrame::setFinishAllowed(bool allowed)
{
    m_finishAllowed = allowed;
    updateButtons();
}

void WizardFrame::Busy(bool busy)
{
    m_busy = busy;
    m_busyBar->setVisible(busy);
}

qint32 WizardFrame::ProgressMin() const
{
    return m_progress->minimum();
}
void WizardFrame::setProgressMin(qint32 value)
{
    m_progress->setMinimum(value);
}
qint32 WizardFrame::ProgressMax() const
{
    return m_progress->maximum();
}
void WizardFrame::setProgressMax(qint32 value)
{
    m_progress->setMaximum(value);
}
qint32 WizardFrame::ProgressValue() const
{
    return m_progress->value();
}

void WizardFrame::setProgressValue(qint32 value)
{
    // QProgressBar ignores a value outside its range; the nearest end is what a run means then.
    m_progress->setValue(qBound(m_progress->minimum(), value, m_progress->maximum()));
}

void WizardFrame::setProgressVisible(bool visible)
{
    m_progressVisible = visible;
    m_progress->setVisible(visible);
    m_progressLabel->setVisible(visible);
}

QString WizardFrame::ProgressText() const
{
    return m_progressLabel->text();
}
void WizardFrame::setProgressText(const QString &text)
{
    m_progressLabel->setText(text);
}

QString WizardFrame::ExtraButtonCaption() const
{
    return m_extra->text();
}

void WizardFrame::setExtraButtonCaption(const QString &caption)
{
    m_extra->setText(caption);
    m_extra->setVisible(!caption.isEmpty());
}

} // namespace OrvVelmora
