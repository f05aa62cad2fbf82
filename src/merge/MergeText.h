#pragma once

#include "merge/SalutationPhrases.h"

#include <QDate>
#include <QString>

#include <optional>

namespace OrvVelmora {

struct MergeField;

/// Where the merge reads a recipient's values: the text of the cell at
/// (row from 1, column key). Nothing when the cell cannot be read, for
/// example an unknown row or key, or a value that has no text.
class MergeRowSource
{
public:
    virtual ~MergeRowSource();
    [[nodiscard]] virtual std::optional<QString> cell(int row, const QString &columnKey) const = 0;
    /// How "<#KD_BRIEFANREDE#>" greets; the defaults unless the list's owner
    /// has other phrases from the settings file.
    [[nodiscard]] virtual SalutationPhrases salutationPhrases() const { return {}; }
};

/// What kind of text is being personalised. Plain text takes values as they
/// are; RTF source takes them escaped (see rtfEscape), so that a value such as
/// "Müller {Bau}\Nord" shows exactly so in the formatted body instead of
/// opening a group or starting a control word.
enum class MergeTarget { PlainText, RtfSource };

/// Personalises a message text for one recipient. Applies the token table of
/// MergeFields() in its order, one token at a time over the whole working text:
/// every occurrence, exact and case-sensitive, left to right without overlap,
/// continuing behind each inserted value. A value may therefore hold the token
/// of a later row (which expands it) but never of its own or an earlier row.
/// A cell that cannot be read leaves its token in place. "<#DATE#>" becomes
/// today's date as dd.mm.yyyy whatever the locale, read at every call.
[[nodiscard]] QString MergeText(const MergeRowSource &source, int row, QString text,
                                MergeTarget target = MergeTarget::PlainText);
/// The same with the date given, for callers that fix "today".
[[nodiscard]] QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target,
                                const QDate &today);

/// What one field's token becomes for this recipient, as plain text: the
/// cell's text, today's date for the date token, the salutation made from
/// Anrede and Name for "<#KD_BRIEFANREDE#>". Nothing when a cell cannot be
/// read, and then the token stays.
[[nodiscard]] std::optional<QString> MergeValue(const MergeField &field, const MergeRowSource &source, int row,
                                                const QDate &today);

} // namespace OrvVelmora
