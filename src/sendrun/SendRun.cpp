#include "sendrun/SendRun.h"

#include "base/platform/Logging.h"
#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/FormattedBody.h"
#include "sendrun/SendCounter.h"
#include "sendrun/SendRunAccount.h"
#include "sendrun/SendRunJournal.h"
#include "sendrun/SendRunLog.h"
#include "transportsetup/TransportSetup.h"

#include <QScopedValueRollback>

#include <utility>

#include <stdexcept>

namespace OrvVelmora {

namespace {

// The batch counter value at which the open connection is closed; compared
// before the counter is increased (see the class comment).
constexpr qint32 kBatchLimit = 50;

const QString kQuestionCaption = QStringLiteral("Systemmeldung...");

void letEventsRun()
{
    PlatformServices::instance().processEvents();
}

} // namespace

SendRun::SendRun(SmtpTransport &transport, SendRunView &view, SendRecipients &recipients)
    : m_transport(transport)
    , m_view(view)
    , m_recipients(recipients)
{
    m_progressConnection =
        QObject::connect(&transport, &SmtpTransport::Progress, [this](qint32 percent) { onProgress(percent); });
    m_resetConnection =
        QObject::connect(&transport, &SmtpTransport::ProgressReset, [this](qint32) { onProgressReset(); });
}

SendRun::~SendRun()
{
    m_transport.setWhileWaiting({});
    QObject::disconnect(m_progressConnection);
    QObject::disconnect(m_resetConnection);
}

qint32 SendRun::transportPriority(int listIndex)
{
    switch (listIndex) {
    case 0: return 1;
    case 1: return 3;
    default: return 5;
    }
}

void SendRun::run()
{
    if (m_running)
        return;
    m_running = true;
    m_stopRequested = false;
    m_serverGaveUp = false;
    m_pauseRound = 0;
    m_stopReason.clear();
    try {
        if (accountReady() && confirmed()) {
            const SenderSettings settings = m_view.senderSettings();
            readMessageFromForm();
            prepare();
            configureTransport(settings);
            const qint32 count = m_recipients.rowCount();
            setUpProgress(count);
            sendAll(count, settings.SmtpServer);
            finish();
            if (m_journal)
                m_journal->finish();
        }
    } catch (const std::exception &error) {
        qCWarning(lcSendRun) << "send run abandoned:" << error.what();
        abandon();
    } catch (...) {
        qCWarning(lcSendRun) << "send run abandoned";
        abandon();
    }
    m_running = false;
}

bool SendRun::accountReady()
{
    if (!m_view.senderSettings().SmtpServer.isEmpty())
        return true;
    const MessageAnswer answer = PlatformServices::instance().messageBox(
        QStringLiteral("Es ist kein e-Mail Server eingetragen.\r\n\r\n"
                       "Möchten Sie die Konfiguration der e-Mail Server Einstellung jetzt vornehmen?"),
        kQuestionCaption, MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return false;
    m_view.openAccountDialog();
    return !m_view.senderSettings().SmtpServer.isEmpty();
}

bool SendRun::confirmed()
{
    return !m_confirm || confirmSending(m_recipients.rowCount(), m_view.senderSettings().SmtpServer);
}

bool SendRun::confirmSending(qint32 count, const QString &server)
{
    const QString question =
        QStringLiteral("%1 e-Mails an die ausgewählten Kunden über %2 senden?").arg(count).arg(server);
    return PlatformServices::instance().messageBox(question, kQuestionCaption, MessageIcon::Question,
                                                   MessageButtons::YesNo, MessageAnswer::No) == MessageAnswer::Yes;
}

void SendRun::prepare()
{
    PlatformServices::instance().setMousePointer(HourglassPointer);
    m_view.setLabelText(SendLabel::lblStatus, QStringLiteral("Verbindung zum e-Mail Server wird hergestellt..."));
    m_view.setBusy(true);
    letEventsRun();
}

void SendRun::readMessageFromForm()
{
    m_aheadRow = 0;
    m_prepared.reset();
    m_subject = m_view.subject();
    m_text = m_view.messageText();
    m_body = std::make_unique<const FormattedBody>(m_view.messageRtf());
}

void SendRun::configureTransport(const SenderSettings &settings)
{
    // The EHLO name comes from the settings store; every message is tried
    // once, and the server may stay silent for a minute during the dialogue.
    TransportSetup{settings, m_view.settingsStoreText()}.writeTo(m_transport);
    for (const SendAttachment &attachment : m_view.attachments())
        m_transport.AddAttachment(attachment.fileName, attachment.zip);
    m_transport.setReadReceipt(m_view.readReceiptChecked());
    m_transport.setPriority(transportPriority(m_view.priorityIndex()));
    m_transport.setRetryCount(0);
    m_transport.setSubject(m_subject);
    m_transport.setTimeout(m_serverTimeout);
    // A journal gives every row its own Message-ID; without one, no ID of an
    // earlier run may stick to this run's messages.
    m_transport.setMessageId(QString());
    m_transport.setWhileWaiting([this] { prepareAhead(); });
    m_transport.setAnnounceAhead(!m_journal || m_journal->announcesAhead());
}

void SendRun::setUpProgress(qint32 count)
{
    m_view.setNavigationEnabled(false);
    letEventsRun();
    m_view.setWizardProgressMinimum(0);
    m_view.setWizardProgressMaximum(count);
    m_view.setWizardProgressValue(0);
    m_view.setWizardProgressVisible(true);
    letEventsRun();
}

void SendRun::sendAll(qint32 count, const QString &server)
{
    qint32 batch = 0;
    for (qint32 row = 1; row <= count && !m_stopRequested && !m_serverGaveUp; ++row) {
        if (!m_journal || m_journal->wanted(row)) {
            visitRecipient(row, batch, server);
            ++batch;
        }
        showRowProgress(row);
        letEventsRun();
    }
    retryRefusedForNow(server);
}

void SendRun::retryRefusedForNow(const QString &server)
{
    if (!m_journal)
        return;
    const QScopedValueRollback retrying(m_retrying, true);
    for (int round = 1; !m_stopRequested; ++round) {
        const QList<qint32> rows = m_journal->nextRound(round, m_stopRequested);
        if (rows.isEmpty())
            break;
        qint32 batch = 0;
        for (const qint32 row : rows) {
            if (m_stopRequested)
                break;
            visitRecipient(row, batch, server);
            ++batch;
        }
    }
    // Refusals for now enter the counter only once no round is left for them.
    for (qsizetype left = m_journal->finallyRefused().size(); left > 0; --left)
        m_view.setLabelText(SendLabel::lblError, nextCounterText(m_view.labelText(SendLabel::lblError)));
}

void SendRun::visitRecipient(qint32 row, qint32 &batch, const QString &server)
{
    for (;;) {
        const bool connected = m_transport.IsConnected() || connectTransport(server);
        if (connected) {
            m_batchEnds = batch == kBatchLimit;
            SendToRecipient(row);
            letEventsRun();
            if (batch == kBatchLimit) {
                m_transport.Disconnect();
                batch = 0;
            }
            letEventsRun();
        }
        if (!serverPaused(connected)) {
            if (connected)
                m_pauseRound = 0;
            else
                notConnected(row);
            return;
        }
        // One pause for the run, not one failure per recipient: the same
        // recipient is tried again after each round's wait.
        if (!m_journal->pauseForServer(++m_pauseRound, m_stopRequested)) {
            if (!m_stopRequested)
                holdTheRestForLater(row);
            return;
        }
    }
}

void SendRun::notConnected(qint32 row)
{
    // The journal keeps the reason the person read, also when the run
    // stopped before connecting (sign-in, certificate).
    if (m_journal)
        m_journal->noteUnsent(row, m_stopReason.isEmpty() ? m_transport.LastError() : m_stopReason);
    // In a retry round the recipient is already among the refused ones
    // that enter the counter once the rounds are over; a run that stops
    // here leaves the recipients not reached open for a later run.
    if (!m_retrying && !m_stopRequested)
        countNotSent();
}

/// The server refused the connection for a limit of its own (421, or 450 or
/// 454 with a 4.7 status, before any mail) or stopped answering. A refused
/// or failed connection of any other kind, and a refusal of one message,
/// are not for the whole run to wait on.
bool SendRun::serverPaused(bool connected) const
{
    if (!m_journal || m_retrying || m_stopRequested)
        return false;
    if (m_transport.LastFailure() == SmtpTransport::Failure::TimedOut)
        return true;
    const int code = m_transport.LastReplyCode();
    return !connected &&
        (code == 421 || ((code == 450 || code == 454) && m_transport.LastReplyText().contains(QLatin1String(" 4.7."))));
}

/// The server did not take mail again in any round: this recipient and every
/// one after it wait for a later run, counted as not sent with its reply.
void SendRun::holdTheRestForLater(qint32 row)
{
    const int code = m_transport.LastReplyCode();
    const QString reply = m_transport.LastReplyText().isEmpty() ? m_transport.LastError() : m_transport.LastReplyText();
    m_view.setLabelText(SendLabel::lblStatus, m_transport.LastError());
    for (qint32 r = row; r <= m_recipients.rowCount(); ++r) {
        if (r == row || m_journal->wanted(r))
            m_journal->holdForLater(r, code, reply);
    }
    m_serverGaveUp = true;
}

bool SendRun::connectTransport(const QString &server)
{
    if (m_account) {
        if (const std::optional<QString> refusal = m_account->prepare(m_transport))
            return stopBeforeConnect(*refusal);
    }
    const ConnectOutcome outcome = connectTrusting();
    if (outcome == ConnectOutcome::Declined)
        return stopBeforeConnect(
            QStringLiteral("Versand abgebrochen: Dem Zertifikat des Servers %1 wird nicht vertraut.").arg(server));
    if (outcome == ConnectOutcome::Failed) {
        m_view.setLabelText(SendLabel::lblStatus,
                            QStringLiteral("Verbindung fehlgeschlagen.\r\n") + m_transport.LastError());
        letEventsRun();
        return false;
    }
    m_view.setLabelText(SendLabel::lblStatus, QStringLiteral("Verbunden mit ") + server);
    letEventsRun();
    // A transport that calls a successful connect "not connected" (the server
    // hung up while events ran) would otherwise be asked to connect forever;
    // the recipient is skipped instead and the next one connects anew.
    return m_transport.IsConnected();
}

// A server with a certificate of its own is refused first; the person may
// trust exactly that certificate and the run goes on, or decline, and then no
// recipient gets anything from a server nobody vouched for.
SendRun::ConnectOutcome SendRun::connectTrusting()
{
    if (m_transport.Connect())
        return ConnectOutcome::Connected;
    if (!m_account || m_transport.LastFailure() != SmtpTransport::Failure::CertificateUntrusted)
        return ConnectOutcome::Failed;
    if (!m_account->trustCertificate(m_transport))
        return ConnectOutcome::Declined;
    return m_transport.Connect() ? ConnectOutcome::Connected : ConnectOutcome::Failed;
}

// The run ends here; the recipients not reached stay open for a later run.
bool SendRun::stopBeforeConnect(const QString &reason)
{
    m_stopReason = reason;
    m_view.setLabelText(SendLabel::lblStatus, reason);
    m_stopRequested = true;
    letEventsRun();
    return false;
}

// Nobody got this recipient's message; counted so that the counters still
// add up to the list. A counter label that holds no number stays as it is.
void SendRun::countNotSent()
{
    try {
        m_view.setLabelText(SendLabel::lblError, nextCounterText(m_view.labelText(SendLabel::lblError)));
    } catch (const SendCounterError &error) {
        qCWarning(lcSendRun) << "not-sent counter left as it is:" << error.what();
    }
}

void SendRun::showRowProgress(qint32 row)
{
    m_view.setWizardProgressValue(row);
    m_view.setWizardProgressText(QStringLiteral("Sende e-Mail %1 von %2").arg(row).arg(m_recipients.rowCount()));
}

void SendRun::SendToRecipient(qint32 row)
{
    // A recipient whose data, conversion or counters fail is passed over
    // without a word to the user; the loop goes on with the next one.
    tolerate(lcSendRun, "sending to one recipient", [this, row] {
        fillDetailLabels(row);
        letEventsRun();
        // Each recipient gets the subject with their own data, as the text.
        RecipientMessage message = recipientMessage(row);
        if (!message.html)
            throw std::runtime_error("message RTF cannot be converted");
        m_transport.setSubject(message.subject);
        m_transport.setBody(message.text);
        m_transport.setFormattedBody(*message.html);
        m_transport.setRecipient(m_view.labelText(SendLabel::lblEMail));
        // The next customer's envelope may travel with this message's end,
        // unless the session closes after this message or the rate would
        // hold that MAIL back; the next message itself is merged while the
        // server reads this one.
        const bool nextFollows =
            !m_retrying && row < m_recipients.rowCount() && (!m_journal || m_journal->wanted(row + 1));
        const auto announceNext = [&] {
            if (!m_batchEnds && nextFollows && (!m_journal || m_journal->mayAnnounce()))
                m_transport.setNextRecipient(m_recipients.cell(row + 1, QStringLiteral("EMail")).value_or(QString()));
        };
        m_aheadRow = nextFollows ? row + 1 : 0;
        if (!m_journal) {
            announceNext();
            countResult(m_transport.Send());
        } else if (m_journal->beforeSend(row, m_stopRequested)) {
            // Only now, with this message's MAIL counted, can the rate say
            // whether the next one may go out with its end.
            announceNext();
            const qint32 result = m_transport.Send();
            noteAnnouncing(row, result);
            if (m_journal->afterSend(row, result))
                countResult(result);
            else
                m_view.setLabelText(SendLabel::lblStatus, m_transport.LastError());
            m_stopRequested = m_stopRequested || m_journal->paused();
        }
    });
}

/// A server that ended the session over an envelope sent ahead cannot take
/// it: the rest of the run, and the next runs for a while, send each
/// message's end alone.
void SendRun::noteAnnouncing(qint32 row, qint32 result)
{
    if (m_transport.hasAnnounced())
        m_journal->announced(row + 1);
    if (result == SmtpTransport::SendUncertain && m_transport.announcedEndLost()) {
        qCInfo(lcSendRun) << "the server ended the session over an announced envelope; no more announcing";
        m_transport.setAnnounceAhead(false);
        m_journal->noteAnnouncedEndLost();
    }
}

void SendRun::fillDetailLabels(qint32 row)
{
    const auto cell = [&](const char *key) {
        const std::optional<QString> text = m_recipients.cell(row, QString::fromLatin1(key));
        if (!text)
            throw std::runtime_error("recipient cell cannot be read");
        return *text;
    };
    m_view.setLabelText(SendLabel::lblKundenNr, cell("KundenNr"));
    m_view.setLabelText(SendLabel::lblAnrede, cell("Anrede"));
    m_view.setLabelText(SendLabel::lblName, cell("Vorname") + QLatin1Char(' ') + cell("Name"));
    m_view.setLabelText(SendLabel::lblFirma, cell("Firma"));
    m_view.setLabelText(SendLabel::lblZusatz, cell("Zusatz"));
    m_view.setLabelText(SendLabel::lblStrasse, cell("Strasse"));
    m_view.setLabelText(SendLabel::lblPLZ, cell("PLZ") + QLatin1Char(' ') + cell("Ort"));
    m_view.setLabelText(SendLabel::lblLand, cell("Land"));
    m_view.setLabelText(SendLabel::lblEMail, cell("EMail"));
}

SendRun::RecipientMessage SendRun::messageFor(qint32 row) const
{
    return {row, MergeText(m_recipients, row, m_subject), MergeText(m_recipients, row, m_text),
            m_body->html(m_recipients, row)};
}

SendRun::RecipientMessage SendRun::recipientMessage(qint32 row)
{
    std::optional<RecipientMessage> prepared = std::exchange(m_prepared, std::nullopt);
    return prepared && prepared->row == row ? std::move(*prepared) : messageFor(row);
}

// The next message is merged, and built by the transport, while the server
// takes in the current one; SendToRecipient() finds both ready.
void SendRun::prepareAhead()
{
    if (m_aheadRow <= 0 || (m_prepared && m_prepared->row == m_aheadRow))
        return;
    m_prepared = messageFor(m_aheadRow);
    const std::optional<QString> address = m_recipients.cell(m_aheadRow, QStringLiteral("EMail"));
    if (address && m_prepared->html)
        m_transport.prepareMessage(*address, m_prepared->subject, m_prepared->text, *m_prepared->html,
                                   m_journal ? m_journal->messageId(m_aheadRow) : QString());
}

void SendRun::countResult(qint32 result)
{
    if (result < 0) {
        m_view.setLabelText(SendLabel::lblError, nextCounterText(m_view.labelText(SendLabel::lblError)));
        m_view.setLabelText(SendLabel::lblStatus, m_transport.LastError());
    } else {
        m_view.setLabelText(SendLabel::lblOK, nextCounterText(m_view.labelText(SendLabel::lblOK)));
        m_view.setLabelText(SendLabel::lblStatus, QStringLiteral("Übertragung erfolgreich"));
    }
}

void SendRun::finish()
{
    letEventsRun();
    m_view.setWizardProgressText(QString());
    m_view.setWizardProgressVisible(false);
    m_view.setNavigationEnabled(true);
    m_view.setBusy(false);
    m_view.finishRunFirst();
    letEventsRun();
    m_view.finishRunSecond();
    PlatformServices::instance().setMousePointer(DefaultPointer);
    if (m_transport.IsConnected())
        m_transport.Disconnect();
}

void SendRun::abandon() noexcept
{
    // Each step of the clean-up stands alone, so that one failing step cannot
    // keep the pointer on the hourglass or the frame busy.
    const auto attempt = [](auto &&step) { tolerate(lcSendRun, "clean-up step", step); };
    attempt([this] {
        if (m_transport.IsConnected())
            m_transport.Disconnect();
    });
    attempt(letEventsRun);
    attempt([this] { m_view.setBusy(false); });
    attempt([] { PlatformServices::instance().setMousePointer(DefaultPointer); });
}

void SendRun::onProgress(qint32 percent)
{
    tolerate(lcSendRun, "progress", [this, percent] {
        m_view.setProgressBarValue(percent);
        if (percent == 100)
            m_view.setProgressBarValue(0);
    });
}

void SendRun::onProgressReset()
{
    tolerate(lcSendRun, "progress reset", [this] {
        m_view.setProgressBarValue(0);
        m_view.setProgressBarVisible(true);
    });
}

} // namespace OrvVelmora
