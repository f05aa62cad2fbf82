#include "outside/smtp/SmtpAttachmentList.h"

#include "outside/smtp/ZipPacker.h"

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
        *error = QStringLiteral("Die Anlage „%1“ wurde nicht gefunden.").arg(item.path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Die Anlage „%1“ kann nicht gelesen werden.").arg(item.path);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Die Anlage „%1“ kann nicht gelesen werden.").arg(item.path);
        return false;
    }
    if (item.zip) {
        const auto packed = ZipPacker::pack(info.fileName(), bytes, info.lastModified());
        if (!packed) {
            *error = QStringLiteral("Die Anlage „%1“ konnte nicht gepackt werden.").arg(item.path);
            return false;
        }
        item.data = *packed;
        item.fileName = info.fileName() + QStringLiteral(".zip");
        item.mimeType = QStringLiteral("application/zip");
    } else {
        item.data = bytes;
        item.fileName = info.fileName();
        item.mimeType = QMimeDatabase().mimeTypeForFileNameAndData(item.path, bytes).name();
    }
    item.loaded = true;
    return true;
}

} // namespace OrvVelmora
