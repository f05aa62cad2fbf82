#pragma once

#include "merge/MergeText.h"

#include <QMap>

namespace OrvVelmora {

/// The recipient list as a send run reads it: rows numbered from 1, cells by
/// column key (the merge's row source) and the number of rows.
class SendRecipients : public MergeRowSource
{
public:
    /// The number of rows at this moment (the list may change while the run lets events run).
    [[nodiscard]] virtual qint32 rowCount() const = 0;
    /// Every cell of the row by column key: what brings the list back when a
    /// mailing is continued after an interruption.
    [[nodiscard]] virtual QMap<QString, QString> record(qint32 row) const = 0;
};

} // namespace OrvVelmora
