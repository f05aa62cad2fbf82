#pragma once

#include "merge/PersonalAttachment.h"
#include "settings/SenderSettings.h"

#include <QList>
#include <QString>

namespace OrvVelmora {

/// The value labels of the send pane that a send run writes, named after the form's labels.
enum class SendLabel {
    lblKundenNr,
    lblAnrede,
    lblName,
    lblFirma,
    lblZusatz,
    lblStrasse,
    lblPLZ,
    lblLand,
    lblEMail,
    lblOK,
    lblError,
    lblStatus,
    lblUnsicher,
    lblOffen,
};

/// One row of the attachment list: the file and whether it goes out packed as ZIP.
struct SendAttachment
{
    QString fileName;
    bool zip = false;

    bool operator==(const SendAttachment &) const = default;
};

/// The wizard form as a send run sees it: the controls it reads before and during
/// the loop, the labels and progress displays it writes, and the wizard frame's
/// switches. The form implements it with its real widgets; tests with plain values.
///
/// Any member may throw to report a control that cannot be read or written; the
/// run then handles it like every other failure at that point.
class SendRunView
{
public:
    virtual ~SendRunView() = default;

    /// The Owner's sender and account settings, read anew at each call.
    [[nodiscard]] virtual SenderSettings senderSettings() const = 0;
    /// Opens the account dialog modally, exactly as the frame's "E-Mail Einstellungen" button does.
    virtual void openAccountDialog() = 0;
    /// The text operation of the form's own SettingsFileStore (created on first use).
    [[nodiscard]] virtual QString settingsStoreText() = 0;

    [[nodiscard]] virtual QString subject() const = 0;
    /// Position of the chosen priority entry, -1 when none is chosen.
    [[nodiscard]] virtual int priorityIndex() const = 0;
    [[nodiscard]] virtual bool readReceiptChecked() const = 0;
    /// The attachment list from its first row to its last.
    [[nodiscard]] virtual QList<SendAttachment> attachments() const = 0;
    /// Each recipient's own file, when the person chose one (not set: none).
    [[nodiscard]] virtual PersonalAttachment personalAttachment() const = 0;

    /// The message editor's plain text and RTF source, as they are at this moment.
    [[nodiscard]] virtual QString messageText() const = 0;
    [[nodiscard]] virtual QString messageRtf() const = 0;

    [[nodiscard]] virtual QString labelText(SendLabel label) const = 0;
    virtual void setLabelText(SendLabel label, const QString &text) = 0;

    /// The pane's own progress bar: how far the run has got, value of maximum.
    virtual void setProgressBar(qint32 value, qint32 maximum) = 0;
    /// Off once a run has left nobody to send to: finishing again would send nothing.
    virtual void setFinishAllowed(bool allowed) = 0;

    /// The wizard frame's switches and its progress display.
    virtual void setNavigationEnabled(bool enabled) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void setWizardProgressMinimum(qint32 value) = 0;
    virtual void setWizardProgressMaximum(qint32 value) = 0;
    virtual void setWizardProgressValue(qint32 value) = 0;
    virtual void setWizardProgressVisible(bool visible) = 0;
    virtual void setWizardProgressText(const QString &text) = 0;
    /// The frame's two end-of-run operations, called in this order after the last recipient.
    virtual void finishRunFirst() = 0;
    virtual void finishRunSecond() = 0;
};

} // namespace OrvVelmora
