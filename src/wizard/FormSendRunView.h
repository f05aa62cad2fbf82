#pragma once

#include "sendrun/SendRunView.h"

namespace OrvVelmora {

class frmDialogMail;

/// The wizard form as its send run sees it: the inputs read from the message
/// pane, the labels and the progress bar of the send pane, and the wizard
/// frame's switches and progress display. The frame's two end-of-run
/// operations are ShowRunCompleted() and FocusCloseButton().
/// senderSettings() throws when the form has no owner.
class FormSendRunView final : public SendRunView
{
public:
    explicit FormSendRunView(frmDialogMail &form)
        : m_form(form)
    {
    }

    [[nodiscard]] SenderSettings senderSettings() const override;
    void openAccountDialog() override;
    [[nodiscard]] QString settingsStoreText() override;

    [[nodiscard]] QString subject() const override;
    [[nodiscard]] int priorityIndex() const override;
    [[nodiscard]] bool readReceiptChecked() const override;
    [[nodiscard]] QList<SendAttachment> attachments() const override;
    [[nodiscard]] PersonalAttachment personalAttachment() const override;
    [[nodiscard]] QString messageText() const override;
    [[nodiscard]] QString messageRtf() const override;

    [[nodiscard]] QString labelText(SendLabel label) const override;
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
    frmDialogMail &m_form;
};

} // namespace OrvVelmora
