#include "journal/DeliveryBook.h"

#include "journal/SendJournal.h"
#include "merge/MergeText.h"

namespace OrvVelmora {

namespace {

QString reasonFor(RecipientState state, int code, const QString &text)
{
    switch (state) {
    // A refusal without a reply code was ours, not the server's (a file gone, an address we cannot use).
    case RecipientState::Refused:
        return (code ? QStringLiteral("abgelehnt: ") : QStringLiteral("nicht gesendet: ")) + text;
    case RecipientState::TemporaryRefused: return QStringLiteral("vorübergehend abgelehnt: ") + text;
    case RecipientState::Uncertain:
        return QStringLiteral("unsicher: Verbindung nach dem Ende der Nachricht unterbrochen");
    case RecipientState::Open:
        return code ? QStringLiteral("zurückgestellt: ") + text : QStringLiteral("nicht gesendet");
    default: return text;
    }
}

} // namespace

DeliveryBook::DeliveryBook(SendJournal &journal, qint64 mailing, QSet<QString> alsoSend)
    : m_journal(journal)
    , m_mailing(mailing)
    , m_alsoSend(std::move(alsoSend))
{
}

QString DeliveryBook::keyOf(const QString &kundenNr, const QString &address)
{
    return kundenNr.trimmed() + QLatin1Char('\n') + address.trimmed().toLower();
}

void DeliveryBook::load(const MergeRowSource &rows, qint32 rowCount, DuplicateAddresses duplicates)
{
    m_entries.clear();
    m_rowKeys.clear();
    m_wantedDuplicates = 0;
    for (const JournalRecipient &known : m_journal.recipients(m_mailing)) {
        Entry e{known.id,
                known.state,
                known.kundenNr,
                known.name,
                known.address,
                known.messageId,
                reasonFor(known.state, known.replyCode, known.replyText)};
        const QString key = keyOf(known.kundenNr, known.address);
        e.forced = m_alsoSend.contains(key);
        if (e.state == RecipientState::Sending)
            setState(e, RecipientState::Uncertain);
        m_entries.insert(key, e);
    }
    Seen seen;
    m_journal.beginBatch();
    for (qint32 row = 1; row <= rowCount; ++row)
        matchRow(rows, row, duplicates, seen);
    m_journal.commitBatch();
}

void DeliveryBook::matchRow(const MergeRowSource &rows, qint32 row, DuplicateAddresses duplicates, Seen &seen)
{
    const QString kundenNr = rows.cell(row, QStringLiteral("KundenNr")).value_or(QString());
    const QString address = rows.cell(row, QStringLiteral("EMail")).value_or(QString());
    const QString key = keyOf(kundenNr, address);
    if (seen.keys.contains(key))
        return;
    seen.keys.insert(key);
    const auto known = m_entries.constFind(key);
    const QString mailbox = address.trimmed().toLower();
    const bool sharedAddress = !mailbox.isEmpty() && seen.addresses.contains(mailbox);
    seen.addresses.insert(mailbox);
    if (sharedAddress && duplicates == DuplicateAddresses::SendOnce) {
        m_wantedDuplicates += known == m_entries.cend() || sentOnContinue(known->state) || known->forced;
        return;
    }
    m_rowKeys.insert(row, key);
    if (known != m_entries.cend())
        return;
    const QString name = (rows.cell(row, QStringLiteral("Vorname")).value_or(QString()) + QLatin1Char(' ') +
                          rows.cell(row, QStringLiteral("Name")).value_or(QString()))
                             .trimmed();
    const JournalRecipient added =
        m_journal.addRecipient(m_mailing, kundenNr, name, address).value_or(JournalRecipient{});
    m_entries.insert(key,
                     Entry{added.id, RecipientState::Open, kundenNr, name, address, added.messageId,
                           reasonFor(RecipientState::Open, 0, {})});
}

DeliveryBook::Entry *DeliveryBook::entry(qint32 row)
{
    const auto key = m_rowKeys.constFind(row);
    if (key == m_rowKeys.constEnd())
        return nullptr;
    const auto found = m_entries.find(*key);
    return found == m_entries.end() ? nullptr : &*found;
}

const DeliveryBook::Entry *DeliveryBook::entry(qint32 row) const
{
    return const_cast<DeliveryBook *>(this)->entry(row);
}

bool DeliveryBook::wanted(qint32 row) const
{
    const Entry *e = entry(row);
    if (!e || e->state == RecipientState::Sent || e->state == RecipientState::Sending)
        return false;
    return sentOnContinue(e->state) || e->forced;
}

qint32 DeliveryBook::wantedCount() const
{
    qint32 count = 0;
    for (auto it = m_rowKeys.cbegin(); it != m_rowKeys.cend(); ++it)
        count += wanted(it.key()) ? 1 : 0;
    return count;
}

std::optional<Standing> DeliveryBook::standing(qint32 row) const
{
    const Entry *e = entry(row);
    if (!e)
        return std::nullopt;
    if (e->state == RecipientState::Sent)
        return Standing::Sent;
    if (wanted(row))
        return Standing::Open;
    return e->state == RecipientState::Refused ? Standing::NotSent : Standing::Uncertain;
}

QString DeliveryBook::messageId(qint32 row) const
{
    const Entry *e = entry(row);
    return e ? e->messageId : QString();
}

void DeliveryBook::setState(Entry &e, RecipientState state)
{
    e.state = state;
    e.reason = reasonFor(state, 0, {});
    m_journal.setState(e.id, state);
}

// A message's outcome waits for the next message's "wird gesendet" so both
// share one commit: the syncs per message halve, and still at most one
// recipient is "wird gesendet" on disk when the process dies.
void DeliveryBook::beginSend(qint32 row)
{
    Entry *e = entry(row);
    if (!e)
        return;
    e->state = RecipientState::Sending;
    m_journal.beginBatch();
    writePending();
    m_journal.markSending(e->id);
    m_journal.commitBatch();
}

void DeliveryBook::writePending()
{
    if (!m_pending)
        return;
    m_journal.recordResult(m_pending->id, m_pending->state, m_pending->code, m_pending->text);
    m_pending.reset();
}

void DeliveryBook::flush()
{
    writePending();
}

DeliveryBook::~DeliveryBook()
{
    flush();
}

ReplyKind DeliveryBook::endSend(qint32 row, qint32 result, int code, const QString &text)
{
    const ReplyKind kind = ReplyClassifier::classify(result, code, text);
    record(row, kind, code > 0 ? code : (result < -2 ? -result : 0), text);
    return kind;
}

void DeliveryBook::record(qint32 row, ReplyKind kind, int code, const QString &text)
{
    Entry *e = entry(row);
    if (!e)
        return;
    static const QMap<ReplyKind, RecipientState> states{{ReplyKind::Delivered, RecipientState::Sent},
                                                        {ReplyKind::Refused, RecipientState::Refused},
                                                        {ReplyKind::Temporary, RecipientState::TemporaryRefused},
                                                        {ReplyKind::Limit, RecipientState::Open},
                                                        {ReplyKind::Uncertain, RecipientState::Uncertain},
                                                        {ReplyKind::OurFault, RecipientState::Refused}};
    e->state = states.value(kind);
    // An uncertain copy is sent again only on the person's word, never by the retry rounds.
    e->forced = false;
    if (kind == ReplyKind::OurFault)
        code = 0;
    e->reason = reasonFor(e->state, code ? code : int(kind == ReplyKind::Limit), text);
    m_pending = PendingResult{e->id, e->state, code, text};
}

void DeliveryBook::holdForLater(qint32 row, int code, const QString &text)
{
    Entry *e = entry(row);
    if (!e || e->state == RecipientState::Sent)
        return;
    writePending();
    e->state = RecipientState::TemporaryRefused;
    e->forced = false;
    e->reason = reasonFor(e->state, code, text);
    m_pending = PendingResult{e->id, e->state, code, text};
    writePending();
}

void DeliveryBook::noteUnsent(qint32 row, const QString &reason)
{
    if (Entry *e = entry(row); e && e->state == RecipientState::Open)
        e->reason = QStringLiteral("nicht gesendet: ") + reason;
}

QList<qint32> DeliveryBook::temporaryRows() const
{
    QList<qint32> rows;
    for (auto it = m_rowKeys.cbegin(); it != m_rowKeys.cend(); ++it)
        if (const Entry *e = entry(it.key()); e && e->state == RecipientState::TemporaryRefused)
            rows.append(it.key());
    return rows;
}

QList<FailedRecipient> DeliveryBook::failures() const
{
    QList<FailedRecipient> result;
    for (auto it = m_rowKeys.cbegin(); it != m_rowKeys.cend(); ++it)
        if (const Entry *e = entry(it.key()); e && e->state != RecipientState::Sent)
            result.append({it.key(), e->kundenNr, e->name, e->address, e->reason});
    return result;
}

void DeliveryBook::closeIfDone()
{
    flush();
    for (const Entry &e : std::as_const(m_entries))
        if (sentOnContinue(e.state) || e.state == RecipientState::Sending)
            return;
    m_journal.setFinished(m_mailing, true);
}

} // namespace OrvVelmora
