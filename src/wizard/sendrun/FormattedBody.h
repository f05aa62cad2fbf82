#pragma once

#include "wizard/merge/MergeText.h"

#include <QDate>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// The formatted (HTML) body of one recipient's message: the editor's RTF
/// with the placeholders merged, also those split by formatting changes.
/// Nothing when the RTF cannot be read.
class FormattedBody
{
public:
    [[nodiscard]] static std::optional<QString> html(const MergeRowSource &source, int row, const QString &rtf,
                                                     const QDate &today = QDate::currentDate());
};

} // namespace OrvVelmora
