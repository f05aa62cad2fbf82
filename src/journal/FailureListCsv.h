#pragma once

#include "journal/DeliveryBook.h"

#include <QByteArray>

namespace OrvVelmora {

/// The failure list as a file for a spreadsheet: UTF-8 with a byte-order mark
/// and semicolons, which is what a German spreadsheet opens without an import
/// dialog; fields with a semicolon, quote or line break are quoted, and a field
/// a spreadsheet would take for a formula is written as text.
class FailureListCsv
{
public:
    [[nodiscard]] static QByteArray render(const QList<FailedRecipient> &failures);
    /// False when the file cannot be written.
    static bool save(const QString &path, const QList<FailedRecipient> &failures);
};

} // namespace OrvVelmora
