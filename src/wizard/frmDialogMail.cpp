#include "wizard/frmDialogMail.h"

#include "base/platform/Logging.h"
#include "settings/MailSettings.h"
#include "wizard/WizardLog.h"

#include "account/frmEMailSetup.h"
#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "controls/grid/GridComponent.h"
#include "controls/wizardframe/WizardFrame.h"
#include "controls/wizardframe/WizardPane.h"
#include "editor/OrvRtfCtl32.h"
#include "journal/SendJournal.h"
#include "journal/SendThrottle.h"
#include "net/smtp/SmtpTransport.h"
#include "recipients/AttachmentPane.h"
#include "recipients/RecipientPane.h"
#include "sendrun/CoalescingSendView.h"
#include "sendrun/JournalledSendRun.h"
#include "sendrun/MailingFingerprint.h"
#include "sendrun/SendRun.h"
#include "settings/Blanks.h"
#include "settings/SettingsFileStore.h"
#include "settings/SettingsKeys.h"
#include "wizard/FailureListDialog.h"
#include "wizard/FormSendRunView.h"
#include "wizard/GermanQtTexts.h"
#include "wizard/MailingRestore.h"
#include "wizard/MessagePane.h"
#include "wizard/MessagePreview.h"
#include "wizard/ResultGridRecipients.h"
#include "wizard/ResumeDialog.h"
#include "wizard/SavedAccount.h"
#include "wizard/SendConfirmationDialog.h"
#include "wizard/SendStatusPane.h"
#include "wizard/TestMailToMe.h"
#include "wizard/WizardInitialisation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

namespace OrvVelmora {

namespace {

void inform(const QString &text)
{
    PlatformServices::instance().messageBox(text, QStringLiteral("Systemmeldung..."), MessageIcon::Information,
                                            MessageButtons::Ok);
}

// The designed sizes are larger than a 1920x1080 screen at 200 % (960x540);
// there a window opens as large as the screen allows, title bar included.
void fitToScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    constexpr QSize kWindowFrame(16, 48);
    window.resize(window.size()
                      .boundedTo(screen->availableGeometry().size() - kWindowFrame)
                      .expandedTo(window.minimumSizeHint()));
}

// A handler that fails ends where it failed; the user sees nothing of it.
template<typename Step>
void tolerant(Step step) noexcept
{
    tolerate(lcWizard, "form handler", step);
}

} // namespace

frmDialogMail::frmDialogMail(QWidget *parent)
    : QDialog(parent)
    , m_mainWizard(new WizardFrame(this))
    , m_mainSMTP(std::make_unique<SmtpTransport>())
{
    GermanQtTexts::install();
    setObjectName(QStringLiteral("frmDialogMail"));
    setWindowTitle(QStringLiteral("Assistent zur Erstellung von Velmoras..."));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    m_mainWizard->setExtraButtonCaption(QStringLiteral("E-Mail &Einstellungen"));
    buildPanes();
    connectWizard();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_mainWizard);
    resize(1000, 700);
    // Small enough for a 1920x1080 screen at 200 %; the panes scroll below this.
    setMinimumSize(900, 470);
}

frmDialogMail::~frmDialogMail()
{
    releaseResources();
}

void frmDialogMail::buildPanes()
{
    WizardPane *recipients = m_mainWizard->addPane(
        QStringLiteral("Kundendaten auwählen..."),
        QStringLiteral("Markieren Sie oben die Kunden von-bis und klicken Sie auf 'Ausgewählte Kunden übernehmen' "
                       "oder auf 'Alle Kunden übernehmen' denen Sie eine Velmora senden möchten. Richten Sie zuvor "
                       "(einmalig) Ihr Mailkonto unter 'e-Mail Einstellungen' ein."));
    WizardPane *message = m_mainWizard->addPane(
        QStringLiteral("e-Mail Nachricht verfassen..."),
        QStringLiteral("Geben Sie den Betreff dieser Velmora ein und verfassen Sie den gewünschten Text. Es stehen "
                       "Ihnen zur Formatierung umfangreiche Textwerkzeuge zur Verfügung.     Natürlich können Sie an "
                       "diese e-Mail beliebig viele Anhänge hinzufügen."));
    WizardPane *send = m_mainWizard->addPane(QStringLiteral("Senden Ihrer e-Mails..."));
    m_recipients = new RecipientPane;
    m_message = new MessagePane;
    m_sendStatus = new SendStatusPane;
    for (auto [pane, content] :
         {std::pair<WizardPane *, QWidget *>{recipients, m_recipients}, {message, m_message}, {send, m_sendStatus}})
        wrapPaneInScrollArea(pane, content);
    m_recipients->layout()->setContentsMargins(16, 14, 16, 12);
    m_message->attachments()->setRecipients(&m_recipients->recipients(),
                                            [this] { return m_recipients->sevResult()->rowCount(); });
}

// On a small or highly scaled screen a pane's content scrolls, while the
// button row below it always stays in view.
void frmDialogMail::wrapPaneInScrollArea(WizardPane *pane, QWidget *content)
{
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // an invisible stop for Tab otherwise
    scroll->setWidget(content);
    auto *layout = new QVBoxLayout(pane->body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

void frmDialogMail::connectWizard()
{
    connect(m_mainWizard, &WizardFrame::NextClick, this, &frmDialogMail::onNext);
    connect(m_mainWizard, &WizardFrame::BackClick, this, &frmDialogMail::onBack);
    connect(m_mainWizard, &WizardFrame::CancelClick, this, &QDialog::close);
    connect(m_mainWizard, &WizardFrame::FinishClick, this, &frmDialogMail::runSendRun);
    connect(m_mainWizard, &WizardFrame::ExtraClick, this, &frmDialogMail::openAccountDialog);
    connect(m_message->cmdVorschau(), &QPushButton::clicked, this, &frmDialogMail::openPreview);
    connect(m_sendStatus->cmdAnhalten(), &QPushButton::clicked, this, &frmDialogMail::askToStopRun);
}

void frmDialogMail::setOwner(MailSettings *owner)
{
    m_owner = owner;
    WizardInitialisation(*this).run();
}

void frmDialogMail::showModal()
{
    setModal(true);
    fitToScreen(*this);
    // Without a default button the dialog would give the focus to the first
    // button of the frame; reading starts at the customer list.
    sevKunden()->setFocus();
    exec();
}

// A failure inside the handler ends it silently; the pane stays.
void frmDialogMail::onNext(qint16 pane)
{
    tolerant([this, pane] {
        if (pane == 0 && recipientsChosen()) {
            m_mainWizard->NextPane();
            sevBetreff()->setFocus();
        } else if (pane == 1 && messageComplete()) {
            m_mainWizard->NextPane();
        }
    });
}

bool frmDialogMail::recipientsChosen()
{
    if (sevResult()->rowCount() > 0)
        return true;
    // Highlighting customers is choosing them, as far as the user can tell;
    // the list below is the step that is easily missed.
    if (const int highlighted = sevKunden()->selectedRowCount(); highlighted > 0) {
        const MessageAnswer answer = PlatformServices::instance().askActions(
            countedText(highlighted,
                        QStringLiteral("Sie haben %n Kunden markiert, aber noch nicht in die Kundenliste für Ihre "
                                       "Velmora übernommen.\r\n\r\nMöchten Sie ihn übernehmen und weitergehen?"),
                        QStringLiteral("Sie haben %n Kunden markiert, aber noch nicht in die Kundenliste für Ihre "
                                       "Velmora übernommen.\r\n\r\nMöchten Sie sie übernehmen und weitergehen?")),
            QStringLiteral("Systemmeldung..."),
            {QStringLiteral("Übernehmen und weiter"), QStringLiteral("Nicht übernehmen")}, MessageAnswer::Yes);
        if (answer == MessageAnswer::Yes)
            recipients()->TransferSelected();
        if (sevResult()->rowCount() > 0)
            return true;
        sevKunden()->setFocus();
        return false;
    }
    inform(QStringLiteral("Sie müssen mindestens einen Kunden auswählen."));
    sevKunden()->setFocus();
    return false;
}

bool frmDialogMail::messageComplete()
{
    if (trimBlanks(sevBetreff()->text()).isEmpty()) {
        inform(QStringLiteral("Sie müssen einen Betreff für diese e-Mail eingeben."));
        sevBetreff()->setFocus();
        return false;
    }
    if (trimBlanks(mainRtfControl()->Text()).isEmpty()) {
        inform(QStringLiteral("Sie müssen einen Text für diese e-Mail eingeben."));
        mainRtfControl()->setFocus();
        return false;
    }
    return true;
}

// Each step of going back is skipped on its own when it fails.
void frmDialogMail::onBack(qint16 pane)
{
    tolerant([this] { m_mainWizard->PreviousPane(); });
    tolerant([this, pane] {
        if (pane == 2)
            sevBetreff()->setFocus();
        else
            sevKunden()->setFocus();
    });
    // Going back is how a new letter begins; finishing may send again.
    tolerant([this] { m_mainWizard->setFinishAllowed(true); });
}

void frmDialogMail::openAccountDialog()
{
    tolerant([this] {
        frmEMailSetup dialog(m_owner, this);
        dialog.showModal();
    });
}

void frmDialogMail::runSendRun()
{
    if (m_activeRun)
        return;
    FormSendRunView widgets(*this);
    // A fast run would spend its time repainting; the widgets hear at most once per frame.
    CoalescingSendView view(widgets);
    ResultGridRecipients rows(*sevResult(), salutationPhrases());
    m_mainSMTP->setCAFile(m_owner ? m_owner->CAFile() : QString());
    JournalledSendRun::Options options;
    options.maxPerMinute = maxPerMinute();
    options.showFailures = [this](const QList<FailedRecipient> &failures) { return showFailures(failures); };
    options.active = [this](SendRun *run) { m_activeRun = run; };
    std::optional<SavedAccount> account;
    if (m_owner)
        options.account = &account.emplace(*m_owner, this);
    options.confirmBeforeSending = true;
    options.review = [this, &rows](const SendConfirmation &question) {
        return SendConfirmationDialog::ask(question, rows, this);
    };
    JournalledSendRun journalled(*m_mainSMTP, view, rows, options);
    const QString sentBefore = m_sendStatus->label(SendLabel::lblOK)->text();
    m_activeJournal = &journalled;
    journalled.run(m_continuation);
    m_sendStatus->cmdAnhalten()->hide();
    m_activeJournal = nullptr;
    m_letterSent = m_letterSent || m_sendStatus->label(SendLabel::lblOK)->text() != sentBefore;
}

// Read afresh for each run and preview, like the other optional keys.
SalutationPhrases frmDialogMail::salutationPhrases() const
{
    if (!m_owner)
        return {};
    return {m_owner->readOnlyKey(SettingsKeys::BriefanredeFrau), m_owner->readOnlyKey(SettingsKeys::BriefanredeHerr),
            m_owner->readOnlyKey(SettingsKeys::BriefanredeAllgemein)};
}

void frmDialogMail::offerToContinue()
{
    tolerant([this] {
        SendJournal journal;
        const std::optional<Continuation> taken = MailingSelection::offerToContinue(journal, &ResumeDialog::choose);
        if (!taken)
            return;
        m_continuation = taken->plan;
        if (!taken->content)
            return;
        MailingRestore::into(*this, *taken->content);
        // What the wizard holds now is the letter as it was; a change before
        // sending is then named in the question before the rest get it.
        const FormSendRunView view(*this);
        m_continuation->letterFingerprint = MailingFingerprint::of(
            view.subject(), view.messageText(), view.messageRtf(), view.attachments(), view.personalAttachment());
    });
}

bool frmDialogMail::showFailures(const QList<FailedRecipient> &failures)
{
    FailureListDialog dialog(failures, this);
    PlatformServices::instance().execDialog(dialog);
    return dialog.resendRequested();
}

// The optional key MaxProMinute; without it the throttle knows the providers that need one.
int frmDialogMail::maxPerMinute()
{
    const QString configured = m_owner
        ? settingsStore().ReadValue(QStringLiteral("Velmora"), QStringLiteral("MaxProMinute"), m_owner->configFileName)
        : QString();
    return SendThrottle::perMinuteFor(m_owner ? m_owner->SmtpServer() : QString(), configured);
}

// The run keeps sending while the question is open; Ja ends it after the
// message then under way.
void frmDialogMail::askToStopRun()
{
    if (!m_activeRun || std::exchange(m_stopAsked, true))
        return;
    PlatformServices::instance().askWithoutWaiting(
        QStringLiteral("Den Versand nach der aktuellen e-Mail anhalten?\r\n\r\n"
                       "Wer die e-Mail noch nicht erhalten hat, bleibt vorgemerkt; der Versand kann später "
                       "fortgesetzt werden."),
        QStringLiteral("Systemmeldung..."), MessageIcon::Question, MessageButtons::YesNo, std::nullopt,
        [form = QPointer<frmDialogMail>(this)](MessageAnswer answer) {
            if (!form)
                return;
            form->m_stopAsked = false;
            if (answer == MessageAnswer::Yes && form->m_activeRun)
                form->m_activeRun->stop();
        });
}

void frmDialogMail::openPreview()
{
    if (sevResult()->rowCount() == 0) {
        inform(QStringLiteral("Sie müssen mindestens einen Kunden auswählen."));
        return;
    }
    const FormSendRunView view(*this);
    auto *preview = new MessagePreview(
        std::make_unique<ResultGridRecipients>(*sevResult(), salutationPhrases()),
        {view.subject(), view.messageText(), view.messageRtf(), view.attachments(), view.personalAttachment()}, this);
    if (m_owner)
        preview->setTestMail([this](const RecipientMail &mail) { sendTestMailToMe(mail); });
    preview->setAttribute(Qt::WA_DeleteOnClose);
    fitToScreen(*preview);
    preview->show();
}

// Not while a run is under way: the run's account answers its own questions.
// Priority and read receipt are read when the button is pressed, so the test
// mail carries what the run would send now.
void frmDialogMail::sendTestMailToMe(const RecipientMail &mail)
{
    if (!m_owner)
        return;
    if (m_activeRun) {
        inform(QStringLiteral("Während des Versands kann keine Testnachricht gesendet werden. Versuchen Sie es "
                              "nach dem Versand noch einmal."));
        return;
    }
    const FormSendRunView view(*this);
    RecipientMail asSent = mail;
    asSent.priority = SendRun::transportPriority(view.priorityIndex());
    asSent.readReceipt = view.readReceiptChecked();
    SavedAccount account(*m_owner, this);
    TestMailToMe(*m_owner, &account).send(asSent);
}

// Enter typed in a field (subject, font size, a grid) would otherwise press
// the dialog's default button; here it presses only a focused button.
void frmDialogMail::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()); button && button->isEnabled())
        button->animateClick();
    event->accept();
}

void frmDialogMail::reject()
{
    if (mayDiscardLetter())
        QDialog::reject();
}

bool frmDialogMail::mayDiscardLetter()
{
    const bool written = !trimBlanks(sevBetreff()->text()).isEmpty() || !trimBlanks(mainRtfControl()->Text()).isEmpty();
    if (m_activeRun || m_letterSent || !written)
        return true;
    return PlatformServices::instance().messageBox(
               QStringLiteral("Ihre e-Mail wurde noch nicht gesendet.\r\n\r\n"
                              "Möchten Sie den Assistenten trotzdem schließen? Der Text geht dabei verloren."),
               QStringLiteral("Systemmeldung..."), MessageIcon::Question, MessageButtons::YesNo,
               MessageAnswer::No) == MessageAnswer::Yes;
}

SettingsFileStore &frmDialogMail::settingsStore()
{
    if (!m_settingsStore)
        m_settingsStore = std::make_unique<SettingsFileStore>();
    return *m_settingsStore;
}

void frmDialogMail::done(int result)
{
    if (m_activeRun)
        askToCloseDuringRun(result);
    else
        closeNow(result);
}

// The question does not hold the run up: messages keep going out while it is
// open. Nein, the default, keeps the window and the run; Ja ends the run
// after its current message and closes.
void frmDialogMail::askToCloseDuringRun(int result)
{
    if (std::exchange(m_closeAsked, true))
        return;
    PlatformServices::instance().askWithoutWaiting(
        QStringLiteral("Der Versand läuft noch.\r\n\r\nMöchten Sie ihn nach der aktuellen e-Mail anhalten und "
                       "das Fenster schließen? Wer die e-Mail noch nicht erhalten hat, bleibt vorgemerkt; der "
                       "Versand kann beim nächsten Öffnen fortgesetzt werden."),
        QStringLiteral("Systemmeldung..."), MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No,
        [form = QPointer<frmDialogMail>(this), result](MessageAnswer answer) {
            if (!form)
                return;
            form->m_closeAsked = false;
            if (answer == MessageAnswer::Yes)
                form->closeNow(result);
        });
}

void frmDialogMail::closeNow(int result)
{
    if (m_activeJournal)
        m_activeJournal->close();
    releaseResources();
    QDialog::done(result);
}

void frmDialogMail::releaseResources() noexcept
{
    if (m_activeRun)
        m_activeRun->stop();
    tolerant([this] { m_recipients->CloseCustomers(); });
    m_settingsStore.reset();
}

WizardPane *frmDialogMail::wizPane(int index) const
{
    return m_mainWizard->pane(index);
}
GridComponent *frmDialogMail::sevKunden() const
{
    return m_recipients->sevKunden();
}
GridComponent *frmDialogMail::sevResult() const
{
    return m_recipients->sevResult();
}
QLineEdit *frmDialogMail::sevBetreff() const
{
    return m_message->sevBetreff();
}
QComboBox *frmDialogMail::sevDringlichkeit() const
{
    return m_message->sevDringlichkeit();
}
QCheckBox *frmDialogMail::chkLeseBestaetigung() const
{
    return m_message->chkLeseBestaetigung();
}
OrvRtfCtl32 *frmDialogMail::mainRtfControl() const
{
    return m_message->mainRtfControl();
}
AttachmentPane *frmDialogMail::attachments() const
{
    return m_message->attachments();
}
GridComponent *frmDialogMail::sevAnlagen() const
{
    return m_message->attachments()->sevAnlagen();
}
QProgressBar *frmDialogMail::mainProgressBar() const
{
    return m_sendStatus->mainProgressBar();
}

} // namespace OrvVelmora
