#pragma once

#include <QString>

namespace OrvVelmora {

/// The recipient list as a send run reads it: rows numbered from 1, cells by
/// column key, and the placeholder merge of a message text for one row.
class SendRecipients
{
public:
    virtual ~SendRecipients() = default;

    /// The number of rows at this moment (the list may change while the run lets events run).
    [[nodiscard]] virtual qint32 rowCount() const = 0;
    /// The shown text of a cell; throws when the row or the column does not exist.
    [[nodiscard]] virtual QString cell(qint32 row, const QString &key) const = 0;
    /// The message text personalised for one row: plain text as it is, RTF
    /// source with the inserted values escaped for RTF.
    [[nodiscard]] virtual QString mergePlain(qint32 row, const QString &text) const = 0;
    [[nodiscard]] virtual QString mergeRtf(qint32 row, const QString &rtf) const = 0;
};

} // namespace OrvVelmora
