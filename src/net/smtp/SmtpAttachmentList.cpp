#include "net/smtp/SmtpAttachmentList.h"

#include "net/smtp/SmtpMessageBuilder.h"
#include "net/smtp/SmtpTexts.h"
#include "net/smtp/ZipPacker.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

namespace OrvVelmora {

void SmtpAttachmentList::add(const QString &path, bool zip)
{
    SmtpAttachment item;
    item.path = path;
    item.zip = zip;
    m_items.append(item);
}

bool SmtpAttachmentList::load(QString *error)
{
    for (SmtpAttachment &item : m_items) {
        if (!item.loaded && !loadOne(item, error))
            return false;
    }
    return true;
}

bool SmtpAttachmentList::loadOne(SmtpAttachment &item, QString *error)
{
    const QFileInfo info(item.path);
    QFile file(item.path);
    if (!info.isFile()) {
        *error = SmtpTexts::attachmentMissing(item.path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = SmtpTexts::attachmentUnreadable(item.path);
        return false;
    }
    if (!item.zip) {
        item.fileName = info.fileName();
        item.mimeType = QMimeDatabase().mimeTypeForFileNameAndData(item.path, file.peek(4096)).name();
        if (!encodeFile(item, file)) {
            *error = SmtpTexts::attachmentUnreadable(item.path);
            return false;
        }
        item.loaded = true;
        return true;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = SmtpTexts::attachmentUnreadable(item.path);
        return false;
    }
    const auto packed = ZipPacker::pack(info.fileName(), bytes, info.lastModified());
    if (!packed) {
        *error = SmtpTexts::attachmentUnpackable(item.path);
        return false;
    }
    item.fileName = info.fileName() + QStringLiteral(".zip");
    item.mimeType = QStringLiteral("application/zip");
    item.encodedPart =
        SmtpMessageBuilder::attachmentHeaders(item.fileName, item.mimeType) + SmtpMessageBuilder::base64Lines(*packed);
    item.loaded = true;
    return true;
}

/// Reads and encodes piecewise, so the file itself is never held in memory
/// beside its encoded form.
bool SmtpAttachmentList::encodeFile(SmtpAttachment &item, QFile &file)
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
    }
    item.encodedPart = encoded;
    return true;
}

} // namespace OrvVelmora
