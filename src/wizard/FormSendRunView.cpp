#include "wizard/FormSendRunView.h"

#include "codec/rtf/MarkedPlainText.h"
#include "controls/richtext/RichTextBox.h"
#include "controls/wizardframe/WizardFrame.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/AttachmentPane.h"
#include "settings/MailSettings.h"
#include "settings/SettingsFileStore.h"
#include "wizard/SendStatusPane.h"
#include "wizard/frmDialogMail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <stdexcept>

namespace OrvVelmora {

SenderSettings FormSendRunView::senderSettings() const
{
    if (!m_form.Owner())
        throw std::runtime_error("the wizard has no owner");
    return m_form.Owner()->settings();
}

void FormSendRunView::openAccountDialog()
{
    m_form.openAccountDialog();
}
QString FormSendRunView::settingsStoreText()
{
    return m_form.settingsStore().LocalHostName();
}

QString FormSendRunView::subject() const
{
    return m_form.sevBetreff()->text();
}
int FormSendRunView::priorityIndex() const
{
    return m_form.sevDringlichkeit()->currentIndex();
}
bool FormSendRunView::readReceiptChecked() const
{
    return m_form.chkLeseBestaetigung()->isChecked();
}

QList<SendAttachment> FormSendRunView::attachments() const
{
    QList<SendAttachment> result;
    for (const AttachmentEntry &entry : m_form.attachments()->Attachments())
        result.append({entry.path, entry.zip});
    return result;
}

PersonalAttachment FormSendRunView::personalAttachment() const
{
    return m_form.attachments()->personalAttachment();
}

QString FormSendRunView::messageText() const
{
    return MarkedPlainText::of(*m_form.mainRtfControl()->mainRTF()->document());
}
QString FormSendRunView::messageRtf() const
{
    return m_form.mainRtfControl()->TextRTF();
}

QString FormSendRunView::labelText(SendLabel label) const
{
    return m_form.sendStatus()->label(label)->text();
}

// The server's message may be cut at the pane's edge; its tooltip has it whole.
void FormSendRunView::setLabelText(SendLabel label, const QString &text)
{
    QLabel *shown = m_form.sendStatus()->label(label);
    shown->setText(text);
    if (label == SendLabel::lblStatus)
        shown->setToolTip(text);
}

// A run with nobody in it is complete; a range of 0 to 0 would make the bar
// an endless busy indicator instead.
void FormSendRunView::setProgressBar(qint32 value, qint32 maximum)
{
    QProgressBar *bar = m_form.mainProgressBar();
    bar->setRange(0, std::max(maximum, 1));
    bar->setValue(maximum > 0 ? value : 1);
}
void FormSendRunView::setFinishAllowed(bool allowed)
{
    m_form.mainWizard()->setFinishAllowed(allowed);
}

// The navigation is off exactly while the messages go out; that is when
// "Versand anhalten" has something to stop.
void FormSendRunView::setNavigationEnabled(bool enabled)
{
    m_form.mainWizard()->setNavigationEnabled(enabled);
    m_form.sendStatus()->cmdAnhalten()->setVisible(!enabled);
}
void FormSendRunView::setBusy(bool busy)
{
    m_form.mainWizard()->Busy(busy);
}
void FormSendRunView::setWizardProgressMinimum(qint32 value)
{
    m_form.mainWizard()->setProgressMin(value);
}
void FormSendRunView::setWizardProgressMaximum(qint32 value)
{
    m_form.mainWizard()->setProgressMax(value);
}
void FormSendRunView::setWizardProgressValue(qint32 value)
{
    m_form.mainWizard()->setProgressValue(value);
}
void FormSendRunView::setWizardProgressVisible(bool visible)
{
    m_form.mainWizard()->setProgressVisible(visible);
}
void FormSendRunView::setWizardProgressText(const QString &text)
{
    m_form.mainWizard()->setProgressText(text);
}
void FormSendRunView::finishRunFirst()
{
    m_form.mainWizard()->ShowRunCompleted();
}
void FormSendRunView::finishRunSecond()
{
    m_form.mainWizard()->FocusCloseButton();
}

} // namespace OrvVelmora
