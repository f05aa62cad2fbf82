#include "journal/SendJournal.h"

#include "journal/JournalLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

#include <atomic>

namespace OrvVelmora {

namespace {

constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS mailing ("
    " id INTEGER PRIMARY KEY, started TEXT NOT NULL, subject TEXT, sender TEXT, server TEXT,"
    " fingerprint TEXT, token TEXT NOT NULL, finished INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS recipient ("
    " id INTEGER PRIMARY KEY, mailing INTEGER NOT NULL REFERENCES mailing(id) ON DELETE CASCADE,"
    " kunden_nr TEXT, name TEXT, address TEXT, state TEXT NOT NULL, attempts INTEGER NOT NULL DEFAULT 0,"
    " reply_code INTEGER NOT NULL DEFAULT 0, reply_text TEXT, message_id TEXT NOT NULL, changed TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS mailing_content ("
    " mailing INTEGER PRIMARY KEY REFERENCES mailing(id) ON DELETE CASCADE, content TEXT NOT NULL)",
    "CREATE INDEX IF NOT EXISTS recipient_mailing ON recipient(mailing)",
    "CREATE INDEX IF NOT EXISTS mailing_fingerprint ON mailing(fingerprint)",
    "CREATE TABLE IF NOT EXISTS server ("
    " name TEXT PRIMARY KEY, announce_ahead INTEGER NOT NULL, changed TEXT NOT NULL)",
};

/// How long a server that lost a session over an announced envelope is sent
/// to without announcing; then it gets another chance (it may have been updated).
constexpr int kAnnounceAheadPauseDays = 30;

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

/// Sixteen base32 characters (80 bits) of the digest: short enough that the
/// header line, "Message-ID: <…@domain>", stays within 78 characters for any
/// sender domain up to 47 characters, and still far from any collision.
QString base32Digest(const QByteArray &digest)
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
    constexpr int kChars = 16;
    QString out;
    out.reserve(kChars);
    quint64 bits = 0;
    int held = 0;
    for (qsizetype i = 0; out.size() < kChars; ++i) {
        bits = (bits << 8) | quint8(digest.at(i));
        for (held += 8; held >= 5 && out.size() < kChars; held -= 5)
            out += QLatin1Char(kAlphabet[(bits >> (held - 5)) & 31]);
    }
    return out;
}

// The mailing's random token and the recipient go into one digest, so the ID
// is the same for every copy to this recipient and different for every other
// recipient and every other mailing.
QString makeMessageId(const QString &token, const QString &kundenNr, const QString &address, const QString &sender)
{
    const QByteArray digest = QCryptographicHash::hash(
        (token + QLatin1Char('\n') + kundenNr + QLatin1Char('\n') + address).toUtf8(), QCryptographicHash::Sha256);
    QString domain = sender.section(QLatin1Char('@'), 1).trimmed();
    if (domain.isEmpty() || domain.contains(QLatin1Char('>')) || domain.contains(QLatin1Char(' ')))
        domain = QStringLiteral("velmora.invalid");
    return base32Digest(digest) + QLatin1Char('@') + domain;
}

QByteArray contentJson(const SavedMailing &content)
{
    QJsonArray attachments;
    for (const SavedAttachment &a : content.attachments)
        attachments.append(QJsonObject{{QStringLiteral("path"), a.path}, {QStringLiteral("zip"), a.zip}});
    QJsonArray recipients;
    for (const QMap<QString, QString> &row : content.recipients) {
        QJsonObject fields;
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            fields.insert(it.key(), it.value());
        recipients.append(fields);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("subject"), content.subject},
                                     {QStringLiteral("rtf"), content.rtf},
                                     {QStringLiteral("priority"), content.priority},
                                     {QStringLiteral("readReceipt"), content.readReceipt},
                                     {QStringLiteral("attachments"), attachments},
                                     {QStringLiteral("recipients"), recipients},
                                     {QStringLiteral("personal"),
                                      QJsonObject{{QStringLiteral("folder"), content.personal.folder},
                                                  {QStringLiteral("pattern"), content.personal.pattern},
                                                  {QStringLiteral("zip"), content.personal.zip}}}})
        .toJson(QJsonDocument::Compact);
}

std::optional<SavedMailing> contentFrom(const QByteArray &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    if (o.isEmpty())
        return std::nullopt;
    SavedMailing content{o.value(QStringLiteral("subject")).toString(),
                         o.value(QStringLiteral("rtf")).toString(),
                         o.value(QStringLiteral("priority")).toInt(1),
                         o.value(QStringLiteral("readReceipt")).toBool(),
                         {},
                         {},
                         {}};
    const QJsonArray attachments = o.value(QStringLiteral("attachments")).toArray();
    for (const auto &a : attachments)
        content.attachments.append({a.toObject().value(QStringLiteral("path")).toString(),
                                    a.toObject().value(QStringLiteral("zip")).toBool()});
    const QJsonArray recipients = o.value(QStringLiteral("recipients")).toArray();
    for (const auto &r : recipients) {
        QMap<QString, QString> row;
        const QJsonObject fields = r.toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            row.insert(it.key(), it.value().toString());
        content.recipients.append(row);
    }
    const QJsonObject personal = o.value(QStringLiteral("personal")).toObject();
    content.personal = {personal.value(QStringLiteral("folder")).toString(),
                        personal.value(QStringLiteral("pattern")).toString(),
                        personal.value(QStringLiteral("zip")).toBool()};
    return content;
}

MailingRecord mailingFrom(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs),
            q.value(2).toString(),   q.value(3).toString(),
            q.value(4).toString(),   q.value(5).toString(),
            q.value(6).toBool()};
}

} // namespace

SendJournal::SendJournal(const QString &path)
    : m_path(path)
{
    static std::atomic<int> serial{0};
    // Our own connection name: the host's default connection stays untouched.
    m_connection = QStringLiteral("orv.journal.%1").arg(++serial);
    m_open = openDatabase() && createSchema();
}

SendJournal::~SendJournal()
{
    m_addRecipient.reset();
    m_markSending.reset();
    m_recordResult.reset();
    m_setState.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

// The folder carries the component's name, not the host's: the host's
// application name is whatever the host set, or its program file's name, and
// a journal that moves with it would lose who already got a mailing.
QString SendJournal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/OrvVelmora/versandjournal.sqlite");
}

// Earlier versions kept the journal in the host's own data folder; the first
// run with the fixed folder moves it there, with its WAL files.
void SendJournal::adoptEarlierJournal() const
{
    const QString earlier = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                                .filePath(QStringLiteral("versandjournal.sqlite"));
    if (m_path != defaultPath() || earlier == m_path || QFile::exists(m_path) || !QFile::exists(earlier))
        return;
    for (const QString &suffix : {QStringLiteral(""), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(earlier + suffix) && !QFile::rename(earlier + suffix, m_path + suffix))
            qCWarning(lcJournal) << "cannot move the journal from" << earlier + suffix << "to" << m_path + suffix;
    }
}

bool SendJournal::openDatabase()
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcJournal) << "cannot create the folder of" << m_path;
        return false;
    }
    adoptEarlierJournal();
    // SQLite gives its -wal and -shm files the mode of the database file, so
    // creating that file owner-only first keeps all three private.
    QFile file(m_path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.close();
    if (!QFile::setPermissions(m_path, kOwnerOnly))
        qCWarning(lcJournal) << "cannot restrict the permissions of" << m_path;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        qCWarning(lcJournal) << "cannot open" << m_path << db.lastError().text();
        return false;
    }
    return true;
}

bool SendJournal::createSchema()
{
    QSqlQuery q(QSqlDatabase::database(m_connection));
    for (const char *statement : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON"})
        if (!q.exec(QString::fromLatin1(statement)))
            qCWarning(lcJournal) << statement << q.lastError().text();
    for (const char *statement : kSchema) {
        if (!q.exec(QString::fromLatin1(statement))) {
            qCWarning(lcJournal) << "cannot create the journal's tables:" << q.lastError().text();
            return false;
        }
    }
    return true;
}

// The statements of every message are prepared once per journal.
QSqlQuery &SendJournal::prepared(std::unique_ptr<QSqlQuery> &slot, const char *statement)
{
    if (!slot) {
        slot = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connection));
        if (!slot->prepare(QString::fromLatin1(statement)))
            qCWarning(lcJournal) << "cannot prepare" << statement << slot->lastError().text();
    }
    return *slot;
}

qint64 SendJournal::startMailing(const MailingRecord &mailing)
{
    if (!m_open)
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral(
        "INSERT INTO mailing (started, subject, sender, server, fingerprint, token) VALUES (?,?,?,?,?,?)"));
    const QDateTime started = mailing.started.isValid() ? mailing.started : QDateTime::currentDateTimeUtc();
    for (const QVariant &value :
         QVariantList{started.toUTC().toString(Qt::ISODateWithMs), mailing.subject, mailing.sender, mailing.server,
                      mailing.fingerprint, QUuid::createUuid().toString(QUuid::Id128)})
        q.addBindValue(value);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot record a mailing:" << q.lastError().text();
        return 0;
    }
    return q.lastInsertId().toLongLong();
}

void SendJournal::setFinished(qint64 mailing, bool finished)
{
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("UPDATE mailing SET finished = ? WHERE id = ?"));
    q.addBindValue(finished ? 1 : 0);
    q.addBindValue(mailing);
    if (m_open && !q.exec())
        qCWarning(lcJournal) << "cannot close mailing" << mailing << q.lastError().text();
}

std::optional<MailingRecord> SendJournal::firstMailing(const QString &where, const QVariantList &values) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT id, started, subject, sender, server, fingerprint, finished FROM mailing WHERE ") +
              where + QStringLiteral(" ORDER BY id DESC LIMIT 1"));
    for (const QVariant &value : values)
        q.addBindValue(value);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot read the mailings:" << q.lastError().text();
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return mailingFrom(q);
}

std::optional<MailingRecord> SendJournal::mailing(qint64 id) const
{
    return firstMailing(QStringLiteral("id = ?"), {id});
}

std::optional<MailingRecord> SendJournal::unfinishedMailing() const
{
    return firstMailing(QStringLiteral("finished = 0"), {});
}

std::optional<MailingRecord> SendJournal::latestMailing(const QString &fingerprint) const
{
    return firstMailing(QStringLiteral("fingerprint = ?"), {fingerprint});
}

void SendJournal::beginBatch()
{
    if (m_open && !QSqlDatabase::database(m_connection).transaction())
        qCWarning(lcJournal) << "cannot begin a batch";
}

void SendJournal::commitBatch()
{
    if (m_open && !QSqlDatabase::database(m_connection).commit())
        qCWarning(lcJournal) << "cannot commit a batch";
}

std::optional<JournalRecipient> SendJournal::addRecipient(qint64 mailing, const QString &kundenNr, const QString &name,
                                                          const QString &address)
{
    if (!m_open)
        return std::nullopt;
    if (m_idMailing != mailing) {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.prepare(QStringLiteral("SELECT token, sender FROM mailing WHERE id = ?"));
        q.addBindValue(mailing);
        if (!q.exec() || !q.next()) {
            qCWarning(lcJournal) << "no mailing" << mailing << q.lastError().text();
            return std::nullopt;
        }
        m_idMailing = mailing;
        m_idToken = q.value(0).toString();
        m_idSender = q.value(1).toString();
    }
    JournalRecipient added;
    added.kundenNr = kundenNr;
    added.name = name;
    added.address = address;
    added.messageId = makeMessageId(m_idToken, kundenNr, address, m_idSender);
    QSqlQuery &q = prepared(m_addRecipient,
                            "INSERT INTO recipient (mailing, kunden_nr, name, address, state, message_id,"
                            " changed) VALUES (?,?,?,?,?,?,?)");
    for (const QVariant &value :
         QVariantList{mailing, kundenNr, name, address, stateName(RecipientState::Open), added.messageId, now()})
        q.addBindValue(value);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot record a recipient:" << q.lastError().text();
        return std::nullopt;
    }
    added.id = q.lastInsertId().toLongLong();
    return added;
}

QList<JournalRecipient> SendJournal::recipients(qint64 mailing) const
{
    QList<JournalRecipient> result;
    if (!m_open)
        return result;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, kunden_nr, name, address, state, attempts, reply_code, reply_text, message_id,"
                             " changed FROM recipient WHERE mailing = ? ORDER BY id"));
    q.addBindValue(mailing);
    if (!q.exec())
        qCWarning(lcJournal) << "cannot read the recipients:" << q.lastError().text();
    while (q.next()) {
        result.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                       stateFromName(q.value(4).toString()).value_or(RecipientState::Uncertain), q.value(5).toInt(),
                       q.value(6).toInt(), q.value(7).toString(), q.value(8).toString(),
                       QDateTime::fromString(q.value(9).toString(), Qt::ISODateWithMs)});
    }
    return result;
}

bool SendJournal::markSending(qint64 recipient)
{
    if (!m_open)
        return false;
    QSqlQuery &q =
        prepared(m_markSending, "UPDATE recipient SET state = ?, attempts = attempts + 1, changed = ? WHERE id = ?");
    q.addBindValue(stateName(RecipientState::Sending));
    q.addBindValue(now());
    q.addBindValue(recipient);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot mark recipient" << recipient << "as being sent:" << q.lastError().text();
        return false;
    }
    return true;
}

bool SendJournal::recordResult(qint64 recipient, RecipientState state, int replyCode, const QString &replyText)
{
    if (!m_open)
        return false;
    QSqlQuery &q = prepared(m_recordResult,
                            "UPDATE recipient SET state = ?, reply_code = ?, reply_text = ?, changed = ? WHERE id = ?");
    for (const QVariant &value : QVariantList{stateName(state), replyCode, replyText, now(), recipient})
        q.addBindValue(value);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot record the result for recipient" << recipient << q.lastError().text();
        return false;
    }
    return true;
}

bool SendJournal::setState(qint64 recipient, RecipientState state)
{
    if (!m_open)
        return false;
    QSqlQuery &q = prepared(m_setState, "UPDATE recipient SET state = ?, changed = ? WHERE id = ?");
    for (const QVariant &value : QVariantList{stateName(state), now(), recipient})
        q.addBindValue(value);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot change recipient" << recipient << q.lastError().text();
        return false;
    }
    return true;
}

bool SendJournal::announcesAhead(const QString &server, const QDateTime &now) const
{
    if (!m_open)
        return true;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT announce_ahead, changed FROM server WHERE name = ?"));
    q.addBindValue(server);
    if (!q.exec() || !q.next())
        return true;
    const QDateTime changed = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
    return q.value(0).toBool() || !changed.isValid() || changed.addDays(kAnnounceAheadPauseDays) < now;
}

void SendJournal::setAnnouncesAhead(const QString &server, bool on, const QDateTime &now)
{
    if (!m_open)
        return;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO server (name, announce_ahead, changed) VALUES (?, ?, ?)"));
    for (const QVariant &value : QVariantList{server, on ? 1 : 0, now.toUTC().toString(Qt::ISODateWithMs)})
        q.addBindValue(value);
    if (!q.exec())
        qCWarning(lcJournal) << "cannot note the server's habit" << q.lastError().text();
}

bool SendJournal::saveContent(qint64 mailing, const SavedMailing &content)
{
    if (!m_open)
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO mailing_content (mailing, content) VALUES (?, ?)"));
    q.addBindValue(mailing);
    q.addBindValue(QString::fromUtf8(contentJson(content)));
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot keep the content of mailing" << mailing << q.lastError().text();
        return false;
    }
    return true;
}

std::optional<SavedMailing> SendJournal::savedContent(qint64 mailing) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.prepare(QStringLiteral("SELECT content FROM mailing_content WHERE mailing = ?"));
    q.addBindValue(mailing);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot read the content of mailing" << mailing << q.lastError().text();
        return std::nullopt;
    }
    return q.next() ? contentFrom(q.value(0).toString().toUtf8()) : std::nullopt;
}

int SendJournal::prune(const QDateTime &now, int days)
{
    if (!m_open)
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection));
    const QString limit = now.toUTC().addDays(-days).toString(Qt::ISODateWithMs);
    q.prepare(QStringLiteral("DELETE FROM recipient WHERE mailing IN (SELECT id FROM mailing WHERE started < ?)"));
    q.addBindValue(limit);
    if (!q.exec())
        qCWarning(lcJournal) << "cannot prune recipients:" << q.lastError().text();
    q.prepare(QStringLiteral("DELETE FROM mailing WHERE started < ?"));
    q.addBindValue(limit);
    if (!q.exec()) {
        qCWarning(lcJournal) << "cannot prune mailings:" << q.lastError().text();
        return 0;
    }
    return q.numRowsAffected();
}

} // namespace OrvVelmora
