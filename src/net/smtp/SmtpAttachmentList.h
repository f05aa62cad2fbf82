#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

namespace OrvVelmora {

/// One attachment as it goes into a message.
struct SmtpAttachment
{
    QString path;
    bool zip = false;
    bool loaded = false;
    /// The name shown to the recipient: the file's name, with ".zip" appended when packed.
    QString fileName;
    QString mimeType;
    /// The whole MIME part, headers and base64 body with CRLF line ends, built
    /// once and shared by every message (a 100 MB file is not encoded anew per recipient).
    QByteArray encodedPart;
};

/// The files that go with every message of a run. Each file is read (and
/// packed) and encoded by the first load() that needs it and kept in its
/// encoded form only, so a run of many recipients reads, compresses and
/// encodes a large file once; clear() lets go of the copies.
class SmtpAttachmentList
{
public:
    void clear() { m_items.clear(); }
    void add(const QString &path, bool zip);
    /// Reads every file not read yet; on the first failure returns false with a
    /// German reason and leaves that file unread, so a later call tries again.
    bool load(QString *error);
    const QList<SmtpAttachment> &items() const { return m_items; }

private:
    static bool loadOne(SmtpAttachment &item, QString *error);
    static bool encodeFile(SmtpAttachment &item, QFile &file);

    QList<SmtpAttachment> m_items;
};

} // namespace OrvVelmora
