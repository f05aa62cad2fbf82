#pragma once

#include "journal/RecipientState.h"
#include "journal/ReplyClassifier.h"
#include "journal/RunTally.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

namespace OrvVelmora {

class SendJournal;
class MergeRowSource;

/// A recipient the run did not deliver to, as the failure list shows it.
struct FailedRecipient
{
    qint32 row = 0;
    QString kundenNr;
    QString name;
    QString address;
    QString reason;
};

/// One send run's page of the journal: it ties the rows of the recipient list
/// to the journal's recipients of one mailing, says which rows still need the
/// message, and writes each attempt's start and outcome.
///
/// Rows with the same address: one message for the first of them (two
/// customers sharing an office address would otherwise get it twice), or one
/// for each when the person says so.
enum class DuplicateAddresses { SendOnce, SendEach };

/// A row is matched by customer number and address, so the same customer
/// listed twice gets one message, and a continued mailing finds who already
/// has it. "wird gesendet" found when the rows are loaded was left by a
/// crash; it becomes "unsicher" and is sent only when the person chose so.
///
/// Only the first row of a recipient belongs to the mailing: a later row of
/// the same customer, or of the same address when it is sent once, is not
/// wanted, has no standing and is in no list.
class DeliveryBook
{
public:
    /// alsoSend: keys (see keyOf) of recipients to send to even when
    /// "unsicher" or "abgelehnt" (the ones the person ticked, or a resend of
    /// the failure list).
    DeliveryBook(SendJournal &journal, qint64 mailing, QSet<QString> alsoSend = {});
    /// Writes the last outcome still held back.
    ~DeliveryBook();
    DeliveryBook(const DeliveryBook &) = delete;
    DeliveryBook &operator=(const DeliveryBook &) = delete;

    [[nodiscard]] static QString keyOf(const QString &kundenNr, const QString &address);
    [[nodiscard]] qint64 mailing() const { return m_mailing; }
    [[nodiscard]] SendJournal &journal() const { return m_journal; }

    /// Matches rows 1..rowCount with the journal, adding the new ones as
    /// "offen". Loading again starts over from what the journal holds.
    void load(const MergeRowSource &rows, qint32 rowCount,
              DuplicateAddresses duplicates = DuplicateAddresses::SendOnce);
    [[nodiscard]] bool wanted(qint32 row) const;
    /// The rows that still want the message.
    [[nodiscard]] qint32 wantedCount() const;
    /// How many more would want it if every row of a shared address got its own.
    [[nodiscard]] qint32 wantedDuplicates() const { return m_wantedDuplicates; }
    /// Where the row stands before the run; nothing for a row outside the mailing.
    [[nodiscard]] std::optional<Standing> standing(qint32 row) const;
    [[nodiscard]] QString messageId(qint32 row) const;

    /// Writes "wird gesendet" before the message goes out, in one commit
    /// with the previous message's outcome.
    void beginSend(qint32 row);
    /// Notes the outcome; a limit puts the recipient back to "offen". It
    /// reaches the disk with the next beginSend, or with flush().
    ReplyKind endSend(qint32 row, qint32 result, int code, const QString &text);
    /// The same for an outcome already sorted, such as a failure of our own.
    void record(qint32 row, ReplyKind kind, int code, const QString &text);
    /// Writes the outcome still held back; call it before the run waits or ends.
    void flush();
    /// A row the server would not take for now (it refused every connection
    /// or stopped answering): "vorübergehend abgelehnt" with its reply.
    void holdForLater(qint32 row, int code, const QString &text);
    /// A row the run could not send (no connection): it stays "offen" with this reason.
    void noteUnsent(qint32 row, const QString &reason);

    /// Rows refused for now, in list order.
    [[nodiscard]] QList<qint32> temporaryRows() const;
    [[nodiscard]] QList<FailedRecipient> failures() const;
    /// Marks the mailing finished once nobody waits for it any more
    /// ("unsicher" ones the person left out do not keep it open).
    void closeIfDone();

private:
    struct Entry
    {
        qint64 id = 0;
        RecipientState state = RecipientState::Open;
        QString kundenNr, name, address, messageId, reason;
        bool forced = false;
    };
    Entry *entry(qint32 row);
    [[nodiscard]] const Entry *entry(qint32 row) const;
    void setState(Entry &e, RecipientState state);
    void writePending();
    /// Keys and addresses met so far while loading.
    struct Seen
    {
        QSet<QString> keys;
        QSet<QString> addresses;
    };
    void matchRow(const MergeRowSource &rows, qint32 row, DuplicateAddresses duplicates, Seen &seen);

    struct PendingResult
    {
        qint64 id = 0;
        RecipientState state = RecipientState::Open;
        int code = 0;
        QString text;
    };

    SendJournal &m_journal;
    qint64 m_mailing;
    QSet<QString> m_alsoSend;
    QMap<QString, Entry> m_entries;
    QMap<qint32, QString> m_rowKeys;
    qint32 m_wantedDuplicates = 0;
    std::optional<PendingResult> m_pending;
};

} // namespace OrvVelmora
