#pragma once

#include "journal/DeliveryBook.h"
#include "journal/RetryPlan.h"
#include "journal/RunTally.h"
#include "journal/SendThrottle.h"

#include <QElapsedTimer>
#include <QString>

namespace OrvVelmora {

class SendRunView;
class SmtpTransport;

/// What a send run does with the delivery journal: it passes over the rows
/// that already have the message, writes "wird gesendet" before each message
/// and the reply after it, fixes the Message-ID per recipient, spaces the
/// messages for a provider's rate, pauses the run at a provider's limit and,
/// after the last row, sends the temporarily refused ones again in rounds.
///
/// The waits (rate spacing, retry rounds) let events run and show the time
/// left in the status line; a stop ends them at once.
class SendRunJournal
{
public:
    SendRunJournal(DeliveryBook &book, SmtpTransport &transport, SendRunView &view);

    void setRetryPlan(const RetryPlan &plan) { m_retry = plan; }
    /// windowMs: the length of the "minute" (shorter only in tests).
    void setMaxPerMinute(int perMinute, qint64 windowMs = 60000) { m_throttle = SendThrottle(perMinute, windowMs); }

    [[nodiscard]] DeliveryBook &book() { return m_book; }
    [[nodiscard]] bool wanted(qint32 row) const { return m_book.wanted(row); }
    /// The Message-ID the row's message goes out with.
    [[nodiscard]] QString messageId(qint32 row) const { return m_book.messageId(row); }

    /// Before Send(): the rate wait (unless the row's envelope went ahead
    /// already), "wird gesendet", the Message-ID. False when stopped while waiting.
    bool beforeSend(qint32 row, const bool &stopRequested);
    /// The rate allows the next envelope to go out now, with this message's end.
    [[nodiscard]] bool mayAnnounce() const;
    /// After Send(): the transport sent the envelope of `nextRow` ahead.
    void announced(qint32 nextRow);
    /// Whether envelopes may go ahead to this run's server at all; the
    /// journal remembers a server that lost a session over one.
    [[nodiscard]] bool announcesAhead() const;
    void noteAnnouncedEndLost();
    /// After Send(): records the outcome and says what it was. A failure
    /// without a word from the server (an attachment gone, an address the
    /// transport will not use) is ours: final for this recipient, never retried.
    ReplyKind afterSend(qint32 row, qint32 result);
    void noteUnsent(qint32 row, const QString &reason) { m_book.noteUnsent(row, reason); }

    /// The server refused connections for a limit of its own or stopped
    /// answering: the run waits before round `round` (from 1) of trying it
    /// again, one connection at a time, showing how many recipients wait.
    /// False when there is no such round or the wait was stopped.
    bool pauseForServer(int round, qint32 waiting, const bool &stopRequested);
    /// The rounds are over: the row waits for a later run, with the server's
    /// reply, and the retry rounds after the run are not repeated for it.
    void holdForLater(qint32 row, int code, const QString &text);

    /// True once a provider's limit paused the run.
    [[nodiscard]] bool paused() const { return !m_limitReply.isEmpty(); }
    [[nodiscard]] QString limitReply() const { return m_limitReply; }

    /// The rows for retry round `round` (from 1) after its wait, or nothing
    /// when there is no such round, nobody to retry, or the wait was stopped.
    QList<qint32> nextRound(int round, const bool &stopRequested);
    /// Rows still refused for now once the rounds are over.
    [[nodiscard]] QList<qint32> finallyRefused() const;

    /// After the run: the limit message (with the run's own count of those
    /// still without the message) when the run was paused, the mailing closed
    /// when nobody waits for it.
    void finish(const RunCounts &counts);

private:
    void waitForRate(const bool &stopRequested, bool &stopped);
    [[nodiscard]] QString serverKey() const;

    DeliveryBook &m_book;
    SmtpTransport &m_transport;
    SendRunView &m_view;
    RetryPlan m_retry;
    SendThrottle m_throttle{0};
    QElapsedTimer m_clock;
    QString m_limitReply;
    /// The row whose MAIL went out ahead with the previous message's end (0: none).
    qint32 m_announcedRow = 0;
    /// The rounds were spent waiting for the server during the run.
    bool m_roundsSpent = false;
};

} // namespace OrvVelmora
