#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

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
///
/// A large file is read, packed and encoded in pieces, and the pump runs
/// between them: the window stays responsive, and memory holds the encoded
/// form and one piece, never the file or its archive as a whole.
class SmtpAttachmentList
{
public:
    /// Runs between pieces; false: the owner is gone, stop at once and touch nothing.
    using Pump = std::function<bool()>;
    enum class Load { Done, Failed, Stopped };

    void clear();
    void add(const QString &path, bool zip);
    /// Reads every file not read yet; on the first failure returns Failed
    /// with a German reason and leaves that file unread, so a later call
    /// tries again. Stopped: the pump said the owner is gone (nothing may be
    /// touched), or the list changed while the pump ran (error says so).
    Load load(QString *error, const Pump &pump = {});
    const QList<SmtpAttachment> &items() const { return m_items; }

private:
    static Load loadOne(SmtpAttachment &item, QString *error, const std::function<bool()> &goOn, const bool &stopped);
    static bool encodeFile(SmtpAttachment &item, QFile &file, const std::function<bool()> &goOn);

    QList<SmtpAttachment> m_items;
    /// Changes with every clear() and add(), so a load can tell that the list
    /// it walks was changed under it.
    quint64 m_generation = 0;
};

} // namespace OrvVelmora
