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

void FormSendRunView::setLabelText(SendLabel label, const QString &text)
{
    m_form.sendStatus()->label(label)->setText(text);
}

void FormSendRunView::setProgressBarValue(int percent)
{
    m_form.mainProgressBar()->setValue(percent);
}
void FormSendRunView::setProgressBarVisible(bool visible)
{
    m_form.mainProgressBar()->setVisible(visible);
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
