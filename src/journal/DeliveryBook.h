#pragma once

#include "journal/RecipientState.h"
#include "journal/ReplyClassifier.h"

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
/// A row is matched by customer number and address, so the same customer
/// listed twice gets one message, and a continued mailing finds who already
/// has it. "wird gesendet" found when the rows are loaded was left by a
/// crash; it becomes "unsicher" and is sent only when the person chose so.
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

    /// Matches rows 1..rowCount with the journal, adding the new ones as "offen".
    void load(const MergeRowSource &rows, qint32 rowCount);
    [[nodiscard]] bool wanted(qint32 row) const;
    [[nodiscard]] QString messageId(qint32 row) const;

    /// Writes "wird gesendet" before the message goes out, in one commit
    /// with the previous message's outcome.
    void beginSend(qint32 row);
    /// Notes the outcome; a limit puts the recipient back to "offen". It
    /// reaches the disk with the next beginSend, or with flush().
    ReplyKind endSend(qint32 row, qint32 result, int code, const QString &text);
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
        bool unsentThisRun = true;
    };
    Entry *entry(qint32 row);
    [[nodiscard]] const Entry *entry(qint32 row) const;
    void setState(Entry &e, RecipientState state);
    void writePending();

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
    std::optional<PendingResult> m_pending;
};

} // namespace OrvVelmora
