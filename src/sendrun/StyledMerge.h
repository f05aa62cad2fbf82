#pragma once

#include "codec/rtf/RtfStyles.h"
#include "merge/MergeField.h"
#include "merge/MergeText.h"

#include <QDate>
#include <QList>

#include <array>

namespace OrvVelmora {

/// Equally formatted text of a paragraph.
struct StyledRun
{
    QString text;
    RtfCharStyle style;
};
using StyledRuns = QList<StyledRun>;

/// Personalises the formatted text of one recipient, a paragraph at a time,
/// with the steps of MergeText (the table's order, every occurrence,
/// continuing behind each value) while keeping the paragraph's formatting.
/// A token is found whatever formatting its characters carry, so
/// "<#KD_{\b FIRMA#>}" is merged too, and its value takes the formatting of
/// the token's first character. Values are shown as the formatted editor
/// would show them typed in: every kind of line break as a line break within
/// the paragraph, tabs kept, other control characters left out. A cell that
/// cannot be read leaves its token, as in the text.
///
/// Each value is read once per recipient, however often its token occurs.
class StyledMerge
{
public:
    StyledMerge(const MergeRowSource &source, int row, const QDate &today);

    /// The paragraph's runs with the tokens replaced: a value joins the run
    /// of its token's first character, the other runs keep their bounds, runs
    /// left empty are dropped and equally formatted runs that meet across them
    /// joined. Only a paragraph that holdsPlaceholder() needs it: any other
    /// comes back as it is.
    [[nodiscard]] StyledRuns merged(const StyledRuns &paragraph);

    /// True when the paragraph's text, across its runs, may hold a token.
    [[nodiscard]] static bool holdsPlaceholder(const StyledRuns &paragraph);

    /// A value as it shows in a paragraph (see the class comment).
    [[nodiscard]] static QString shown(const QString &value);

private:
    const std::optional<QString> &value(std::size_t field);

    const MergeRowSource &m_source;
    int m_row;
    QDate m_today;
    std::array<std::optional<std::optional<QString>>, kMergeFieldCount> m_values;
};

} // namespace OrvVelmora
