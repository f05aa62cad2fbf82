#include "wizard/WizardInitialisation.h"

#include "base/platform/Logging.h"
#include "controls/grid/GridComponent.h"
#include "controls/wizardframe/ButtonColors.h"
#include "controls/wizardframe/TabStrip.h"
#include "controls/wizardframe/WizardFrame.h"
#include "controls/wizardframe/WizardPane.h"
#include "editor/OrvRtfCtl32.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "settings/MailSettings.h"
#include "wizard/MessagePane.h"
#include "wizard/SendStatusPane.h"
#include "wizard/WizardLog.h"
#include "wizard/frmDialogMail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <stdexcept>

namespace OrvVelmora {

namespace {

void colourPane(WizardPane *pane, const QColor &back, const QColor &border, const QColor &accent)
{
    pane->setBackColor(back);
    pane->setBorderColor(border);
    pane->setAccentColor(accent);
}

} // namespace

const QString &WizardInitialisation::finishText()
{
    static const QString text = QStringLiteral(
        "Der Assistent hat jetzt alle benötigten Daten für Ihre Velmora. Klicken Sie auf 'Fertigstellen' um den "
        "Sendevorgang jetzt auszulösen.\r\n\r\n\r\n"
        "Sie können den Status der einzelnen e-Mail in den unten eingeblendeten Informationsboxen einsehen.\r\n\r\n"
        "Es werden die Kundendaten der einzelnen e-Mail Nachricht angezeigt. Falls einige e-Mails nicht gesendet "
        "werden können, überprüfen Sie die Servermeldung und ggf. die e-Mail Adresse des Kunden.");
    return text;
}

void WizardInitialisation::run()
{
    for (void (WizardInitialisation::*step)() :
         {&WizardInitialisation::colourFrame, &WizardInitialisation::colourRecipientsPane,
          &WizardInitialisation::styleRecipientGrids, &WizardInitialisation::colourRecipientButtons,
          &WizardInitialisation::loadCustomers, &WizardInitialisation::colourMessagePane,
          &WizardInitialisation::fillPriorityList, &WizardInitialisation::styleMessageFields,
          &WizardInitialisation::styleAttachmentGrid, &WizardInitialisation::colourReceiptBox,
          &WizardInitialisation::colourAttachmentButtons, &WizardInitialisation::setUpEditor,
          &WizardInitialisation::addAttachmentColumn, &WizardInitialisation::colourSendPane,
          &WizardInitialisation::colourTabStrips, &WizardInitialisation::colourSendLabels,
          &WizardInitialisation::startFrame})
        tolerant([this, step] { (this->*step)(); });
}

void WizardInitialisation::tolerant(const std::function<void()> &step) noexcept
{
    tolerate(lcWizard, "initialisation step", step);
}

const ColorScheme &WizardInitialisation::scheme() const
{
    if (!m_form.Owner() || !m_form.Owner()->color)
        throw std::runtime_error("no colour scheme");
    return *m_form.Owner()->color;
}

void WizardInitialisation::colourFrame()
{
    WizardFrame *frame = m_form.mainWizard();
    tolerant([&] { frame->setBackColor(scheme().SchemeColor4()); });
    tolerant([&] { frame->setForeColor(scheme().SchemeColor1()); });
    tolerant([&] { frame->setBorderColor(scheme().SchemeColor3()); });
    frame->setNavigationEnabled(true);
}

void WizardInitialisation::colourRecipientsPane()
{
    colourPane(m_form.wizPane(0), scheme().SchemeColor4(), scheme().SchemeColor3(), scheme().SchemeColor2());
}

void WizardInitialisation::styleRecipientGrids()
{
    tolerant([this] { scheme().StyleGrid(m_form.sevKunden()->view()); });
    tolerant([this] { scheme().StyleGrid(m_form.sevResult()->view()); });
}

void WizardInitialisation::colourRecipientButtons()
{
    const RecipientPane *pane = m_form.recipients();
    for (QPushButton *button :
         {pane->cmdAddKunde(), pane->cmdAddAllKunde(), pane->cmdRemoveKunde(), pane->cmdRemoveAllKunde()})
        tolerant([&] {
            ButtonColors{scheme().SchemeColor4(), scheme().SchemeColor3(), scheme().SchemeColor1()}.applyTo(button);
        });
}

void WizardInitialisation::loadCustomers()
{
    if (!m_form.Owner())
        throw std::runtime_error("no owner");
    m_form.recipients()->LoadCustomers(m_form.Owner()->connection);
}

void WizardInitialisation::colourMessagePane()
{
    colourPane(m_form.wizPane(1), scheme().SchemeColor4(), scheme().SchemeColor3(), scheme().SchemeColor2());
}

void WizardInitialisation::fillPriorityList()
{
    QComboBox *list = m_form.sevDringlichkeit();
    list->addItems({QStringLiteral("Hoch"), QStringLiteral("Normal"), QStringLiteral("Niedrig")});
    list->setCurrentIndex(1);
}

void WizardInitialisation::styleMessageFields()
{
    tolerant([this] { scheme().StyleTextField(m_form.sevBetreff(), 3, true); });
    tolerant([this] { scheme().StyleTextField(m_form.sevDringlichkeit(), 3, true); });
}

void WizardInitialisation::styleAttachmentGrid()
{
    GridComponent *grid = m_form.sevAnlagen();
    tolerant([&] { scheme().StyleGrid(grid->view()); });
    QFont font = grid->captionFont();
    font.setBold(false);
    grid->setCaptionFont(font);
}

void WizardInitialisation::colourReceiptBox()
{
    QCheckBox *box = m_form.chkLeseBestaetigung();
    box->setStyleSheet(QStringLiteral("QCheckBox { color: %1; background: %2; }")
                           .arg(scheme().SchemeColor1().name(), scheme().SchemeColor4().name()));
}

// The preview and stop buttons look like the attachment buttons, focus ring included.
void WizardInitialisation::colourAttachmentButtons()
{
    const AttachmentPane *pane = m_form.attachments();
    for (QPushButton *button : {pane->cmdAnlageAdd(), pane->cmdAnlageRemove(), m_form.message()->cmdVorschau(),
                                m_form.sendStatus()->cmdAnhalten()})
        tolerant([&] {
            ButtonColors{scheme().SchemeColor4(), scheme().SchemeColor3(), scheme().SchemeColor1()}.applyTo(button);
        });
    pane->cmdAnlageRemove()->setEnabled(false);
}

void WizardInitialisation::setUpEditor()
{
    OrvRtfCtl32 *editor = m_form.mainRtfControl();
    tolerant([&] { editor->setBackColor(scheme().SchemeColor4()); });
    editor->setTitel(QStringLiteral("Text bearbeiten..."));
    tolerant([&] { editor->setCaptionBackColor(scheme().SchemeColor5()); });
    tolerant([&] { editor->setCaptionBackColorTo(scheme().SchemeColor3()); });
    tolerant([&] { editor->setCaptionForeColor(scheme().SchemeColor2()); });
    tolerant([&] { editor->setBackColorWorkspace(scheme().SchemeColor2()); });
}

void WizardInitialisation::addAttachmentColumn()
{
    m_form.sevAnlagen()->addColumn(QStringLiteral("FileName"), QString()).stretch();
}

void WizardInitialisation::colourSendPane()
{
    WizardPane *pane = m_form.wizPane(2);
    tolerant([&] { colourPane(pane, scheme().SchemeColor4(), scheme().SchemeColor3(), scheme().SchemeColor1()); });
    pane->setDescription(finishText());
}

void WizardInitialisation::colourTabStrips()
{
    for (TabStrip *strip : {m_form.sendStatus()->sevRegisterStatus(), m_form.sendStatus()->sevRegisterVorgang()})
        tolerant([&] {
            strip->setBackColor(scheme().SchemeColor4());
            strip->setAccentColor(scheme().SchemeColor5());
        });
}

void WizardInitialisation::colourSendLabels()
{
    const SendStatusPane *pane = m_form.sendStatus();
    QList<QLabel *> labels;
    for (int i = 0; i < pane->lblBezeichnungCount(); ++i)
        labels.append(pane->lblBezeichnung(i));
    labels.append(pane->valueLabels());
    for (QLabel *label : labels)
        tolerant([&] { label->setStyleSheet(QStringLiteral("color: %1;").arg(scheme().SchemeColor1().name())); });
}

void WizardInitialisation::startFrame()
{
    m_form.mainWizard()->Start();
}

} // namespace OrvVelmora
