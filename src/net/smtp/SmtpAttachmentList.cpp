#include "net/smtp/SmtpAttachmentList.h"

#include "net/smtp/SmtpMessageBuilder.h"
#include "net/smtp/SmtpTexts.h"
#include "net/smtp/ZipPacker.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTemporaryFile>

namespace OrvVelmora {

void SmtpAttachmentList::clear()
{
    m_items.clear();
    ++m_generation;
}

void SmtpAttachmentList::add(const QString &path, bool zip)
{
    SmtpAttachment item;
    item.path = path;
    item.zip = zip;
    m_items.append(item);
    ++m_generation;
}

SmtpAttachmentList::Load SmtpAttachmentList::load(QString *error, const Pump &pump)
{
    const quint64 generation = m_generation;
    bool gone = false;
    bool stopped = false;
    // The pump may delete this list with its owner: its answer is read
    // before anything of ours is, and once stopped it is not asked again.
    const std::function<bool()> goOn = [&] {
        if (stopped)
            return false;
        gone = pump && !pump();
        stopped = gone || m_generation != generation;
        return !stopped;
    };
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i).loaded)
            continue;
        const Load result = loadOne(m_items[i], error, goOn, stopped);
        if (result == Load::Stopped && !gone)
            *error = SmtpTexts::attachmentsChanged();
        if (result != Load::Done)
            return result;
    }
    return Load::Done;
}

SmtpAttachmentList::Load SmtpAttachmentList::loadOne(SmtpAttachment &item, QString *error,
                                                     const std::function<bool()> &goOn, const bool &stopped)
{
    const QFileInfo info(item.path);
    QFile file(item.path);
    const auto fail = [error](QString text) {
        *error = std::move(text);
        return Load::Failed;
    };
    if (!info.isFile())
        return fail(SmtpTexts::attachmentMissing(item.path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(SmtpTexts::attachmentUnreadable(item.path));
    QString fileName = info.fileName();
    QString mimeType;
    // A packed file goes through an archive on disk, read back like any file.
    QTemporaryFile archive;
    if (item.zip) {
        if (!archive.open())
            return fail(SmtpTexts::attachmentUnpackable(item.path));
        archive.close();
        if (!ZipPacker::pack(item.path, fileName, archive.fileName(), goOn))
            return stopped ? Load::Stopped : fail(SmtpTexts::attachmentUnpackable(item.path));
        file.close();
        file.setFileName(archive.fileName());
        if (!file.open(QIODevice::ReadOnly))
            return fail(SmtpTexts::attachmentUnpackable(item.path));
        fileName += QStringLiteral(".zip");
        mimeType = QStringLiteral("application/zip");
    } else {
        mimeType = QMimeDatabase().mimeTypeForFileNameAndData(item.path, file.peek(4096)).name();
    }
    SmtpAttachment loaded = item;
    loaded.fileName = fileName;
    loaded.mimeType = mimeType;
    if (!encodeFile(loaded, file, goOn))
        return stopped ? Load::Stopped : fail(SmtpTexts::attachmentUnreadable(item.path));
    loaded.loaded = true;
    item = std::move(loaded);
    return Load::Done;
}

/// Reads and encodes piecewise, so the file itself is never held in memory
/// beside its encoded form.
bool SmtpAttachmentList::encodeFile(SmtpAttachment &item, QFile &file, const std::function<bool()> &goOn)
{
    // Whole 57-byte groups make whole 76-character lines.
    constexpr qint64 kChunk = 57 * 16 * 1024;
    QByteArray encoded = SmtpMessageBuilder::attachmentHeaders(item.fileName, item.mimeType);
    encoded.reserve(encoded.size() + file.size() * 4 / 3 + file.size() / 28 + 4);
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kChunk);
        if (file.error() != QFileDevice::NoError)
            return false;
        encoded += SmtpMessageBuilder::base64Lines(chunk);
        if (!goOn())
            return false;
    }
    item.encodedPart = encoded;
    return true;
}

} // namespace OrvVelmora
