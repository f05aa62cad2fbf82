#include "net/smtp/ZipPacker.h"

#include <QFile>
#include <QFileInfo>

#include <zip.h>

namespace OrvVelmora {

namespace {

/// libzip reports its progress every few kilobytes it compresses; the pump
/// runs there. It asks whether to go on less evenly, so that question only
/// reads the pump's last answer.
struct Slicing
{
    const ZipPacker::Pump *pump = nullptr;
    bool stop = false;
};

void progressed(zip_t *, double, void *state)
{
    auto *slicing = static_cast<Slicing *>(state);
    if (!slicing->stop)
        slicing->stop = !(*slicing->pump)();
}

int cancelled(zip_t *, void *state)
{
    return static_cast<Slicing *>(state)->stop ? 1 : 0;
}

bool addEntry(zip_t *archive, const QString &source, const QString &entryName)
{
    zip_source_t *entry = zip_source_file(archive, QFile::encodeName(source).constData(), 0, -1);
    if (!entry)
        return false;
    const zip_int64_t index =
        zip_file_add(archive, entryName.toUtf8().constData(), entry, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(entry);
        return false;
    }
    const QDateTime modified = QFileInfo(source).lastModified();
    if (modified.isValid())
        zip_file_set_mtime(archive, index, static_cast<time_t>(modified.toSecsSinceEpoch()), 0);
    return zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 0) == 0;
}

} // namespace

bool ZipPacker::pack(const QString &source, const QString &entryName, const QString &archivePath, const Pump &pump)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    if (!addEntry(archive, source, entryName)) {
        zip_discard(archive);
        return false;
    }
    Slicing slicing{&pump};
    if (pump) {
        zip_register_progress_callback_with_state(archive, 0.0, &progressed, nullptr, &slicing);
        zip_register_cancel_callback_with_state(archive, &cancelled, nullptr, &slicing);
    }
    // The compression happens here, in pieces of a few kilobytes.
    if (zip_close(archive) == 0)
        return true;
    zip_discard(archive);
    return false;
}

} // namespace OrvVelmora
