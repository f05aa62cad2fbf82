#pragma once

#include "journal/RecipientState.h"
#include "merge/PersonalAttachment.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

class QSqlQuery;

namespace OrvVelmora {

/// What the journal keeps of a mailing. The fingerprint identifies its texts
/// and attachments without holding them.
struct MailingRecord
{
    qint64 id = 0;
    QDateTime started;
    QString subject;
    QString sender;
    QString server;
    QString fingerprint;
    bool finished = false;
};

/// An attachment of a saved mailing: the file and whether it goes packed as ZIP.
struct SavedAttachment
{
    QString path;
    bool zip = false;

    bool operator==(const SavedAttachment &) const = default;
};

/// What it takes to continue a mailing after an interruption: the message as
/// the person wrote it and the recipient list as it stood (each row as column
/// key -> text).
struct SavedMailing
{
    QString subject;
    QString rtf;
    int priority = 1;
    bool readReceipt = false;
    QList<SavedAttachment> attachments;
    QList<QMap<QString, QString>> recipients;
    PersonalAttachment personal;
};

/// One recipient of a mailing as the journal keeps it.
struct JournalRecipient
{
    qint64 id = 0;
    QString kundenNr;
    QString name;
    QString address;
    RecipientState state = RecipientState::Open;
    int attempts = 0;
    int replyCode = 0;
    QString replyText;
    QString messageId;
    QDateTime changed;
};

/// The delivery journal: an SQLite file in the user's data folder that records
/// every mailing and, per recipient, how far its message got. It survives a
/// crash of the host, so the next start can tell who got the mailing and
/// bring the mailing back: subject, letter, attachments and recipient list are
/// kept with it until it is pruned.
///
/// The file holds no password; a mailing is recognised by a fingerprint of
/// its texts and attachments. It is readable by its owner only and runs in
/// WAL mode, so that a state change costs one append and no
/// sync: every change is committed, and so in the file, before the call
/// returns, which a killed or crashed host cannot undo. A power cut can lose
/// the last changes; syncing each of them would cost a loopback run more
/// than half its speed, for a case in which the Message-ID, fixed per
/// recipient, still lets the receiving client drop a second copy.
///
/// Every failure of the database is logged and answered with an empty or
/// false result: a send run without a journal still sends.
class SendJournal
{
public:
    /// Opens (and creates) the journal at this path; see isOpen().
    explicit SendJournal(const QString &path = defaultPath());
    ~SendJournal();
    Q_DISABLE_COPY(SendJournal)

    /// The journal file in the per-user data folder, in a folder of the
    /// component's own name (~/.local/share/OrvVelmora/versandjournal.sqlite).
    [[nodiscard]] static QString defaultPath();
    [[nodiscard]] bool isOpen() const { return m_open; }
    [[nodiscard]] QString path() const { return m_path; }

    /// A new mailing; 0 when it could not be written.
    qint64 startMailing(const MailingRecord &mailing);
    void setFinished(qint64 mailing, bool finished);
    [[nodiscard]] std::optional<MailingRecord> mailing(qint64 id) const;
    /// The newest mailing that has not been finished.
    [[nodiscard]] std::optional<MailingRecord> unfinishedMailing() const;
    /// The newest mailing with this fingerprint.
    [[nodiscard]] std::optional<MailingRecord> latestMailing(const QString &fingerprint) const;

    /// Adds a recipient in the state "offen"; its Message-ID is fixed here,
    /// once, so every later copy of its message carries the same one.
    std::optional<JournalRecipient> addRecipient(qint64 mailing, const QString &kundenNr, const QString &name,
                                                 const QString &address);
    /// Groups many additions into one write.
    void beginBatch();
    void commitBatch();
    [[nodiscard]] QList<JournalRecipient> recipients(qint64 mailing) const;

    /// "wird gesendet", one attempt more, committed to the file before it returns.
    bool markSending(qint64 recipient);
    /// The outcome of an attempt with the server's reply (code 0 and the
    /// failure's text when there was none).
    bool recordResult(qint64 recipient, RecipientState state, int replyCode, const QString &replyText);
    /// Changes only the state (e.g. "wird gesendet" found after a crash becomes "unsicher").
    bool setState(qint64 recipient, RecipientState state);

    /// Whether a mailing may announce the next envelope with a message's end
    /// to this server ("host:port"): not for a while after the server was seen
    /// to end a session over it.
    [[nodiscard]] bool announcesAhead(const QString &server, const QDateTime &now) const;
    void setAnnouncesAhead(const QString &server, bool on, const QDateTime &now);

    /// Keeps (replaces) what it takes to continue the mailing.
    bool saveContent(qint64 mailing, const SavedMailing &content);
    /// What saveContent() kept; nothing when the mailing has none.
    [[nodiscard]] std::optional<SavedMailing> savedContent(qint64 mailing) const;

    /// Deletes the mailings started more than `days` days before `now` with
    /// their recipients and content; the number of mailings deleted.
    int prune(const QDateTime &now, int days = 90);

private:
    void adoptEarlierJournal() const;
    bool openDatabase();
    bool createSchema();
    std::optional<MailingRecord> firstMailing(const QString &where, const QVariantList &values) const;

    QSqlQuery &prepared(std::unique_ptr<QSqlQuery> &slot, const char *statement);

    QString m_path;
    QString m_connection;
    std::unique_ptr<QSqlQuery> m_addRecipient;
    std::unique_ptr<QSqlQuery> m_markSending;
    std::unique_ptr<QSqlQuery> m_recordResult;
    std::unique_ptr<QSqlQuery> m_setState;
    qint64 m_idMailing = 0; ///< the mailing whose token and sender the Message-IDs are made from
    QString m_idToken;
    QString m_idSender;
    bool m_open = false;
};

} // namespace OrvVelmora
