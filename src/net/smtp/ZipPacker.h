#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// Packs one file's bytes into a ZIP archive held in memory (libzip), the entry
/// deflated and named in UTF-8 so umlauts survive on every unpacker.
class ZipPacker
{
public:
    /// The archive, or nothing when libzip failed.
    static std::optional<QByteArray> pack(const QString &entryName, const QByteArray &data, const QDateTime &modified);
};

} // namespace OrvVelmora
