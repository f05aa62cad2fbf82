#include "net/smtp/ZipPacker.h"

#include <zip.h>

#include <cstdio>

namespace OrvVelmora {

namespace {

/// The bytes libzip wrote into an in-memory source after zip_close().
std::optional<QByteArray> readSource(zip_source_t *source)
{
    if (zip_source_open(source) < 0)
        return std::nullopt;
    zip_source_seek(source, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(source);
    zip_source_seek(source, 0, SEEK_SET);
    QByteArray bytes(size < 0 ? 0 : size, Qt::Uninitialized);
    const zip_int64_t read = size < 0 ? -1 : zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (read != size)
        return std::nullopt;
    return bytes;
}

bool addEntry(zip_t *archive, const QString &entryName, const QByteArray &data, const QDateTime &modified)
{
    zip_source_t *entry = zip_source_buffer(archive, data.constData(), data.size(), 0);
    if (!entry)
        return false;
    const zip_int64_t index =
        zip_file_add(archive, entryName.toUtf8().constData(), entry, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(entry);
        return false;
    }
    if (modified.isValid())
        zip_file_set_mtime(archive, index, static_cast<time_t>(modified.toSecsSinceEpoch()), 0);
    return zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 0) == 0;
}

} // namespace

std::optional<QByteArray> ZipPacker::pack(const QString &entryName, const QByteArray &data, const QDateTime &modified)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_error_fini(&error);
    if (!source)
        return std::nullopt;
    // The archive closes its source; keeping a reference lets us read the result afterwards.
    zip_source_keep(source);
    zip_t *archive = zip_open_from_source(source, ZIP_TRUNCATE, nullptr);
    std::optional<QByteArray> result;
    if (archive) {
        if (addEntry(archive, entryName, data, modified) && zip_close(archive) == 0)
            result = readSource(source);
        else
            zip_discard(archive);
    }
    zip_source_free(source);
    return result;
}

} // namespace OrvVelmora
