#include "sendrun/CoalescingSendView.h"

#include "base/platform/Logging.h"
#include "sendrun/SendRunLog.h"

#include <utility>

namespace OrvVelmora {

CoalescingSendView::CoalescingSendView(SendRunView &target, int intervalMs)
    : m_target(target)
    , m_intervalMs(intervalMs)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { flushQuietly(); });
}

CoalescingSendView::~CoalescingSendView()
{
    flushQuietly();
}

void CoalescingSendView::flush()
{
    m_timer.stop();
    m_sinceFlush.start();
    // Taken out first, so that a target that throws does not get the same
    // changes again with the next flush.
    const QMap<SendLabel, QString> labels = std::exchange(m_labels, {});
    const std::optional<std::pair<qint32, qint32>> bar = std::exchange(m_bar, std::nullopt);
    const std::optional<qint32> frameValue = std::exchange(m_frameValue, std::nullopt);
    const std::optional<QString> frameText = std::exchange(m_frameText, std::nullopt);
    for (auto it = labels.begin(); it != labels.end(); ++it)
        m_target.setLabelText(it.key(), it.value());
    if (bar)
        m_target.setProgressBar(bar->first, bar->second);
    if (frameValue)
        m_target.setWizardProgressValue(*frameValue);
    if (frameText)
        m_target.setWizardProgressText(*frameText);
}

void CoalescingSendView::flushQuietly() noexcept
{
    // A widget that cannot take its text any more (the form is closing)
    // must not end the event run that delivered the timer.
    tolerate(lcSendRun, "showing the send run's state", [this] { flush(); });
}

void CoalescingSendView::changed()
{
    if (!m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= m_intervalMs)
        flush();
    else if (!m_timer.isActive())
        m_timer.start(int(m_intervalMs - m_sinceFlush.elapsed()));
}

QString CoalescingSendView::labelText(SendLabel label) const
{
    const auto pending = m_labels.constFind(label);
    return pending != m_labels.cend() ? *pending : m_target.labelText(label);
}

void CoalescingSendView::setLabelText(SendLabel label, const QString &text)
{
    m_labels.insert(label, text);
    changed();
}

void CoalescingSendView::setProgressBar(qint32 value, qint32 maximum)
{
    m_bar = std::pair(value, maximum);
    changed();
}

void CoalescingSendView::setWizardProgressValue(qint32 value)
{
    m_frameValue = value;
    changed();
}

void CoalescingSendView::setWizardProgressText(const QString &text)
{
    m_frameText = text;
    changed();
}

void CoalescingSendView::openAccountDialog()
{
    flush();
    m_target.openAccountDialog();
}

void CoalescingSendView::setFinishAllowed(bool allowed)
{
    flush();
    m_target.setFinishAllowed(allowed);
}

void CoalescingSendView::setNavigationEnabled(bool enabled)
{
    flush();
    m_target.setNavigationEnabled(enabled);
}

void CoalescingSendView::setBusy(bool busy)
{
    flush();
    m_target.setBusy(busy);
}

void CoalescingSendView::setWizardProgressMinimum(qint32 value)
{
    flush();
    m_target.setWizardProgressMinimum(value);
}

void CoalescingSendView::setWizardProgressMaximum(qint32 value)
{
    flush();
    m_target.setWizardProgressMaximum(value);
}

void CoalescingSendView::setWizardProgressVisible(bool visible)
{
    flush();
    m_target.setWizardProgressVisible(visible);
}

void CoalescingSendView::finishRunFirst()
{
    flush();
    m_target.finishRunFirst();
}

void CoalescingSendView::finishRunSecond()
{
    flush();
    m_target.finishRunSecond();
}

} // namespace OrvVelmora
