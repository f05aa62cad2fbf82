#pragma once

#include <QString>

#include <functional>

namespace OrvVelmora {

/// Packs one file into a ZIP archive file (libzip), the entry deflated and
/// named in UTF-8 so umlauts survive on every unpacker. The file is read and
/// compressed piece by piece; neither it nor the archive is ever held in memory.
class ZipPacker
{
public:
    /// Runs every few kilobytes of compression; false gives the packing up.
    using Pump = std::function<bool()>;

    /// Writes the archive to `archive`, holding `source` under `entryName`
    /// with the source's modification time; false when libzip failed or the
    /// pump gave up.
    static bool pack(const QString &source, const QString &entryName, const QString &archive, const Pump &pump);
};

} // namespace OrvVelmora
