#pragma once

#include "journal/ReplyClassifier.h"
#include "journal/RunTally.h"
#include "sendrun/SendRecipients.h"
#include "sendrun/SendRunView.h"

#include <QMetaObject>

#include <memory>
#include <optional>

namespace OrvVelmora {

class FormattedBody;
class SendRunAccount;
class SendRunJournal;
class SmtpTransport;

/// The send run behind the wizard's finish button: one personalised message
/// per row of the recipient list, handed to the form's transport, with the
/// recipient's data, the server's message and the counters on the send pane.
///
/// One account: every recipient of the run stands in its RunTally as sent,
/// not sent, uncertain or open, and the four counters, the pane's bar and
/// the frame's "Sende e-Mail r von N" are all written from it, so that they
/// add up to N at every moment and "Gesendete Mails" never runs ahead of r.
/// With a journal the tally starts from where each recipient of the mailing
/// stands (a continued mailing starts with those who already have it).
///
/// The transport is configured once per run; the loop connects on demand and
/// closes the connection after a batch of recipients. The batch counter is
/// compared with 50 before it is increased, so the first connection of a run
/// carries 51 recipients and every later one 50; a recipient whose connection
/// attempt failed still counts towards the batch.
///
/// The subject, the text and the formatted text are taken from the form when
/// the run begins; the formatted text is read once and only merged per
/// recipient. While the server takes in one message, the next recipient's
/// message is merged, so a fast server waits as little as possible for the run.
///
/// Everything runs on the calling (GUI) thread. The run lets pending events
/// run through PlatformServices at fixed points, and the transport does so
/// while it waits on the network, so the labels and progress bars keep moving.
/// The wizard's navigation is off while the loop runs, so no second run can
/// start; a run is never nested in itself.
///
/// Failures: a failed connect is shown and its recipient counted as not
/// sent; a refused message is counted as not sent too; any error inside one
/// recipient's step abandons that step and leaves the recipient open; any
/// other error ends the run at once (disconnect, busy off, default pointer),
/// leaving the navigation and the progress display as they were.
///
/// A server that refuses connections for a limit of its own, or stops
/// answering, pauses the run as a whole: with a journal, the run waits the
/// retry plan's rounds, trying one connection after each; when no round
/// brings the server back, the rest of the list is refused for now.
///
/// The form may call stop() while the run lets events run (for instance when
/// the window is being closed): the run then finishes the current recipient
/// and ends as after the last one.
///
/// Every display change goes to the view as it happens; a form with real
/// widgets puts a CoalescingSendView in between, so that a fast run does not
/// spend its time repainting.
class SendRun
{
public:
    SendRun(SmtpTransport &transport, SendRunView &view, SendRecipients &recipients);
    ~SendRun();
    Q_DISABLE_COPY(SendRun)

    /// The whole run, from the account check to the end; never throws.
    void run();
    /// Ends a run that is under way after its current recipient.
    void stop() { m_stopRequested = true; }
    /// With a journal the run sends only the rows it still wants, records
    /// every attempt, and retries refusals for now at the end (not owned).
    void setJournal(SendRunJournal *journal) { m_journal = journal; }
    /// With an account the run prepares every connect through it and, when the
    /// server's certificate is not trusted, lets the person decide; declining
    /// ends the run before any further message (not owned).
    void setAccount(SendRunAccount *account) { m_account = account; }
    /// Seconds the server may stay silent in the dialogue (60; shorter only in tests).
    void setServerTimeout(int seconds) { m_serverTimeout = seconds; }
    /// The account of the last (or current) run.
    [[nodiscard]] const RunTally &tally() const { return m_tally; }

    /// True once a server is set; without one it asks whether to set it up
    /// now and opens the account dialog on Ja.
    [[nodiscard]] static bool accountReady(SendRunView &view);
    /// The question before a mailing: "N e-Mails ... über SERVER senden?";
    /// true on Ja. Nein is the default answer, so Enter sends nothing.
    [[nodiscard]] static bool confirmSending(qint32 count, const QString &server);

    /// Transport priority for the chosen entry of the priority list.
    [[nodiscard]] static qint32 transportPriority(int listIndex);

private:
    /// One recipient: labels, both merges, the formatted body, Send, the
    /// counters. False, with nothing sent or counted, when the session turned
    /// out to be closed before the message went and `mayReconnect` allows a
    /// new one.
    [[nodiscard]] bool SendToRecipient(qint32 row, bool mayReconnect);
    void enterRecipients(qint32 count);
    void settle(qint32 row, Standing standing);
    void showCounts();
    void showPosition();
    void showUploaded(qint32 percent);
    void prepare();
    void readMessageFromForm();
    void configureTransport(const SenderSettings &settings);
    void setUpProgress(qint32 count);
    void sendAll(qint32 count, const QString &server);
    void visitRecipient(qint32 row, qint32 &batch, const QString &server);
    void notConnected(qint32 row);
    [[nodiscard]] bool serverPaused(bool connected) const;
    void holdTheRestForLater(qint32 row);
    void noteAnnouncing(qint32 row, qint32 result);
    bool connectTransport(const QString &server);
    enum class ConnectOutcome { Connected, Failed, Declined };
    ConnectOutcome connectTrusting();
    bool stopBeforeConnect(const QString &reason);
    void fillDetailLabels(qint32 row);
    /// What one recipient's message says.
    struct RecipientMessage
    {
        qint32 row = 0;
        QString subject;
        QString text;
        std::optional<QString> html;
    };
    RecipientMessage messageFor(qint32 row) const;
    /// The row's personal attachment (empty: none chosen), or nothing when
    /// its file is missing: then the row is settled as not sent.
    std::optional<QString> personalFile(qint32 row);
    RecipientMessage recipientMessage(qint32 row);
    void prepareAhead();
    void countResult(qint32 row, qint32 result);
    void countReply(qint32 row, ReplyKind kind);
    void retryRefusedForNow(const QString &server);
    void finish();
    void abandon() noexcept;

    SmtpTransport &m_transport;
    SendRunView &m_view;
    SendRecipients &m_recipients;
    QMetaObject::Connection m_progressConnection;
    RunTally m_tally;
    SendRunJournal *m_journal = nullptr;
    SendRunAccount *m_account = nullptr;
    /// The message as it stood when the run began, read from the form once:
    /// every recipient gets the same one.
    QString m_subject;
    QString m_text;
    std::unique_ptr<const FormattedBody> m_body;
    PersonalAttachment m_personal;
    /// The row whose message may be prepared while the server takes in the
    /// current one (0: none), and that prepared message.
    qint32 m_aheadRow = 0;
    std::optional<RecipientMessage> m_prepared;
    bool m_running = false;
    bool m_stopRequested = false;
    /// Why the run stopped before a connect, as the status label said it.
    QString m_stopReason;
    /// The current message is the last of its session (the batch is full).
    bool m_batchEnds = false;
    bool m_retrying = false;
    /// A recipient was tried in this run (a connect or a message).
    bool m_tried = false;
    /// Rounds waited for a server that refused connections or went silent.
    int m_pauseRound = 0;
    /// No round brought the server back: the rest of the list waits for a later run.
    bool m_serverGaveUp = false;
    int m_serverTimeout = 60;
};

} // namespace OrvVelmora
