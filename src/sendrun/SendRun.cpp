#include "sendrun/SendRun.h"

#include "base/platform/CountedText.h"
#include "base/platform/Logging.h"
#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/FormattedBody.h"
#include "sendrun/SendRunAccount.h"
#include "sendrun/SendRunJournal.h"
#include "sendrun/SendRunLog.h"
#include "transportsetup/TransportSetup.h"

#include <QMap>
#include <QScopedValueRollback>

#include <algorithm>
#include <stdexcept>
#include <utility>

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
    m_progressConnection = QObject::connect(&transport, &SmtpTransport::Progress, &transport,
                                            [this](qint32 percent) { showUploaded(percent); });
}

SendRun::~SendRun()
{
    m_transport.setWhileWaiting({});
    QObject::disconnect(m_progressConnection);
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
    m_tried = false;
    m_serverGaveUp = false;
    m_pauseRound = 0;
    m_stopReason.clear();
    try {
        if (accountReady(m_view)) {
            const SenderSettings settings = m_view.senderSettings();
            readMessageFromForm();
            prepare();
            configureTransport(settings);
            const qint32 count = m_recipients.rowCount();
            enterRecipients(count);
            setUpProgress(m_tally.counts().total);
            sendAll(count, settings.SmtpServer);
            finish();
            if (m_journal)
                m_journal->finish(m_tally.counts());
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

bool SendRun::accountReady(SendRunView &view)
{
    if (!view.senderSettings().SmtpServer.isEmpty())
        return true;
    const MessageAnswer answer = PlatformServices::instance().messageBox(
        QStringLiteral("Es ist kein e-Mail Server eingetragen.\r\n\r\n"
                       "Möchten Sie die Konfiguration der e-Mail Server Einstellung jetzt vornehmen?"),
        kQuestionCaption, MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return false;
    view.openAccountDialog();
    return !view.senderSettings().SmtpServer.isEmpty();
}

bool SendRun::confirmSending(qint32 count, const QString &server)
{
    const QString question = countedText(count, QStringLiteral("%n e-Mail an den ausgewählten Kunden über %1 senden?"),
                                         QStringLiteral("%n e-Mails an die ausgewählten Kunden über %1 senden?"))
                                 .arg(server);
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
    m_personal = m_view.personalAttachment();
}

void SendRun::configureTransport(const SenderSettings &settings)
{
    // The EHLO name comes from the settings store; every message is tried
    // once, and the server may stay silent for a minute during the dialogue.
    TransportSetup{settings, m_view.settingsStoreText()}.writeTo(m_transport);
    for (const SendAttachment &attachment : m_view.attachments())
        m_transport.AddAttachment(attachment.fileName, attachment.zip);
    m_transport.setPersonalAttachment(QString(), m_personal.zip);
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

// Every row the run sends to enters the tally; with a journal, as the
// mailing's page says it stands (a later row of the same recipient not at all).
void SendRun::enterRecipients(qint32 count)
{
    m_tally.clear();
    for (qint32 row = 1; row <= count; ++row) {
        const std::optional<Standing> standing =
            m_journal ? m_journal->book().standing(row) : std::optional<Standing>(Standing::Open);
        if (standing)
            m_tally.add(row, *standing);
    }
}

void SendRun::setUpProgress(qint32 total)
{
    m_view.setNavigationEnabled(false);
    letEventsRun();
    m_view.setWizardProgressMinimum(0);
    m_view.setWizardProgressMaximum(total);
    m_view.setWizardProgressVisible(true);
    showCounts();
    letEventsRun();
}

void SendRun::sendAll(qint32 count, const QString &server)
{
    qint32 batch = 0;
    for (qint32 row = 1; row <= count && !m_stopRequested && !m_serverGaveUp; ++row) {
        if (m_tally.standing(row) != Standing::Open || (m_journal && !m_journal->wanted(row)))
            continue;
        showPosition();
        visitRecipient(row, batch, server);
        ++batch;
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
            showPosition();
            visitRecipient(row, batch, server);
            ++batch;
        }
    }
    // Refusals for now stay open while a round is left for them; after the
    // last round they were not sent. A stopped run leaves them open. No
    // message goes out any more, so "Sende e-Mail r von N" must not stand
    // behind counters that now pass it.
    const QList<qint32> refused = m_stopRequested ? QList<qint32>{} : m_journal->finallyRefused();
    if (!refused.isEmpty())
        m_view.setWizardProgressText(QString());
    for (const qint32 row : refused)
        m_tally.set(row, Standing::NotSent);
    showCounts();
}

void SendRun::visitRecipient(qint32 row, qint32 &batch, const QString &server)
{
    m_tried = true;
    bool reconnected = false;
    for (;;) {
        const bool connected = m_transport.IsConnected() || connectTransport(server);
        if (connected) {
            m_batchEnds = batch == kBatchLimit;
            if (!SendToRecipient(row, !reconnected)) {
                reconnected = true;
                continue;
            }
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
        if (!m_journal->pauseForServer(++m_pauseRound, m_tally.counts().open(), m_stopRequested)) {
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
    // In a retry round the recipient stays open until the rounds are over; a
    // run that stops here leaves the recipients not reached open for a later run.
    if (!m_retrying && !m_stopRequested)
        settle(row, Standing::NotSent);
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
            QStringLiteral("Versand abgebrochen: Dem Zertifikat des Servers „%1“ wird nicht vertraut.").arg(server));
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
    const SmtpTransport::Failure failure = m_transport.LastFailure();
    if (!m_account ||
        (failure != SmtpTransport::Failure::CertificateUntrusted &&
         failure != SmtpTransport::Failure::CertificateChanged))
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

void SendRun::settle(qint32 row, Standing standing)
{
    m_tally.set(row, standing);
    showCounts();
}

// The counters and the pane's bar come from the tally only; the bar moves
// on with the current message's upload, short of its end until the server
// has answered.
void SendRun::showCounts()
{
    const RunCounts &counts = m_tally.counts();
    m_view.setLabelText(SendLabel::lblOK, QString::number(counts.sent));
    m_view.setLabelText(SendLabel::lblError, QString::number(counts.notSent));
    m_view.setLabelText(SendLabel::lblUnsicher, QString::number(counts.uncertain));
    m_view.setLabelText(SendLabel::lblOffen, QString::number(counts.open()));
    m_view.setProgressBar(counts.settled(), counts.total);
    m_view.setWizardProgressValue(counts.settled());
}

// "Sende e-Mail r von N" names the message now going out: the one after all
// those already settled, so no counter is ever ahead of it.
void SendRun::showPosition()
{
    const RunCounts &counts = m_tally.counts();
    m_view.setWizardProgressText(
        QStringLiteral("Sende e-Mail %1 von %2").arg(std::min(counts.settled() + 1, counts.total)).arg(counts.total));
}

void SendRun::showUploaded(qint32 percent)
{
    tolerate(lcSendRun, "progress", [this, percent] {
        const RunCounts &counts = m_tally.counts();
        if (counts.open() > 0)
            m_view.setProgressBar(counts.settled() * 100 + std::clamp(percent, 0, 99), counts.total * 100);
    });
}

bool SendRun::SendToRecipient(qint32 row, bool mayReconnect)
{
    // A session the server ended after the last message (a connection limit,
    // an idle timeout) shows whenever the events run; checked right before
    // Send(), the recipient then waits for a new session, once, instead of
    // failing on the closed one.
    bool sessionLost = false;
    const auto sessionClosed = [&] { return sessionLost = mayReconnect && !m_transport.IsConnected(); };
    // A recipient whose data, conversion or counters fail is passed over
    // without a word to the user; the loop goes on with the next one.
    tolerate(lcSendRun, "sending to one recipient", [&] {
        fillDetailLabels(row);
        letEventsRun();
        const std::optional<QString> personal = personalFile(row);
        if (!personal)
            return;
        m_transport.setPersonalAttachment(*personal, m_personal.zip);
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
            if (sessionClosed())
                return;
            countResult(row, m_transport.Send());
        } else if (m_journal->beforeSend(row, m_stopRequested)) {
            // Only now, with this message's MAIL counted, can the rate say
            // whether the next one may go out with its end.
            announceNext();
            if (sessionClosed())
                return;
            const qint32 result = m_transport.Send();
            noteAnnouncing(row, result);
            countReply(row, m_journal->afterSend(row, result));
            m_stopRequested = m_stopRequested || m_journal->paused();
        }
    });
    return !sessionLost;
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

// Without its own file a recipient gets nothing: an invoice must not go
// missing from the message that announces it.
std::optional<QString> SendRun::personalFile(qint32 row)
{
    if (!m_personal.isSet())
        return QString();
    const PersonalAttachment::Match match = m_personal.matchFor(m_recipients, row);
    if (match.found())
        return match.path;
    const QString missing = PersonalAttachment::missingText(match.name);
    m_view.setLabelText(SendLabel::lblStatus, missing);
    if (m_journal)
        m_journal->noteUnsent(row, missing);
    settle(row, Standing::NotSent);
    return std::nullopt;
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
    const PersonalAttachment::Match personal =
        m_personal.isSet() ? m_personal.matchFor(m_recipients, m_aheadRow) : PersonalAttachment::Match{};
    if (address && m_prepared->html && (!m_personal.isSet() || personal.found()))
        m_transport.prepareMessage(*address, m_prepared->subject, m_prepared->text, *m_prepared->html,
                                   m_journal ? m_journal->messageId(m_aheadRow) : QString(), personal.path);
}

void SendRun::countResult(qint32 row, qint32 result)
{
    countReply(row, result < 0 ? ReplyKind::Refused : ReplyKind::Delivered);
}

// A refusal for now stays open until its rounds are over; a provider's limit
// leaves the recipient open for a later run.
void SendRun::countReply(qint32 row, ReplyKind kind)
{
    static const QMap<ReplyKind, Standing> standings{
        {ReplyKind::Delivered, Standing::Sent},   {ReplyKind::Refused, Standing::NotSent},
        {ReplyKind::OurFault, Standing::NotSent}, {ReplyKind::Uncertain, Standing::Uncertain},
        {ReplyKind::Temporary, Standing::Open},   {ReplyKind::Limit, Standing::Open}};
    m_view.setLabelText(SendLabel::lblStatus,
                        kind == ReplyKind::Delivered ? QStringLiteral("Übertragung erfolgreich")
                                                     : m_transport.LastError());
    settle(row, standings.value(kind));
}

void SendRun::finish()
{
    letEventsRun();
    if (!m_tried)
        m_view.setLabelText(SendLabel::lblStatus, QStringLiteral("Es war keine e-Mail mehr zu senden."));
    m_view.setFinishAllowed(m_tally.counts().open() > 0);
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

} // namespace OrvVelmora
