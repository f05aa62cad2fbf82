#pragma once

#include "sendrun/SendRunView.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>

#include <optional>
#include <utility>

namespace OrvVelmora {

/// Hands a send run's display changes on to the form's widgets at most once per
/// interval, 50 ms by default: twenty updates a second read as live counting,
/// and each write of the labels costs the form a relayout of its panes.
///
/// A fast run changes the labels, the pane's progress bar and the frame's
/// progress several times per message, hundreds of messages a second, and it
/// lets events run after nearly every change. Handed straight to the widgets,
/// each change costs a repaint (a progress bar even repaints synchronously on
/// setValue), so painting would take more time than sending. Here the labels'
/// texts, the bar and the frame's progress value and text are kept
/// and written through when the interval since the last write has passed; a
/// timer writes the last ones, so the window never shows a stale state for
/// longer than one interval. What the run reads back (the counters, the
/// e-mail label) comes from the kept texts, so counting is exact.
///
/// Every other call goes straight through. The frame's switches, its progress
/// range and visibility, the end-of-run operations and the account dialog
/// first write what is pending, so the widgets see those changes in the order
/// the run made them. The destructor writes what is left.
class CoalescingSendView final : public SendRunView
{
public:
    explicit CoalescingSendView(SendRunView &target, int intervalMs = 50);
    ~CoalescingSendView() override;
    Q_DISABLE_COPY(CoalescingSendView)

    /// Writes every pending change to the target now.
    void flush();

    SenderSettings senderSettings() const override { return m_target.senderSettings(); }
    void openAccountDialog() override;
    QString settingsStoreText() override { return m_target.settingsStoreText(); }
    QString subject() const override { return m_target.subject(); }
    int priorityIndex() const override { return m_target.priorityIndex(); }
    bool readReceiptChecked() const override { return m_target.readReceiptChecked(); }
    QList<SendAttachment> attachments() const override { return m_target.attachments(); }
    PersonalAttachment personalAttachment() const override { return m_target.personalAttachment(); }
    QString messageText() const override { return m_target.messageText(); }
    QString messageRtf() const override { return m_target.messageRtf(); }

    QString labelText(SendLabel label) const override;
    void setLabelText(SendLabel label, const QString &text) override;
    void setProgressBar(qint32 value, qint32 maximum) override;
    void setFinishAllowed(bool allowed) override;

    void setNavigationEnabled(bool enabled) override;
    void setBusy(bool busy) override;
    void setWizardProgressMinimum(qint32 value) override;
    void setWizardProgressMaximum(qint32 value) override;
    void setWizardProgressValue(qint32 value) override;
    void setWizardProgressVisible(bool visible) override;
    void setWizardProgressText(const QString &text) override;
    void finishRunFirst() override;
    void finishRunSecond() override;

private:
    void changed();
    void flushQuietly() noexcept;

    SendRunView &m_target;
    const int m_intervalMs;
    QMap<SendLabel, QString> m_labels;
    std::optional<std::pair<qint32, qint32>> m_bar;
    std::optional<qint32> m_frameValue;
    std::optional<QString> m_frameText;
    QElapsedTimer m_sinceFlush;
    QTimer m_timer;
};

} // namespace OrvVelmora
