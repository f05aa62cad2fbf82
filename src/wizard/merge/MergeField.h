#pragma once

#include <QString>

#include <array>

namespace OrvVelmora {

/// A placeholder token and the recipient column whose text replaces it. The
/// date token has no column: it stands for today's date.
struct MergeField
{
    QString token;
    /// Key of the recipient list column, empty for the date.
    QString columnKey;
};

/// The sixteen tokens in the order the merge applies them; the editor's
/// variables menu inserts the same tokens.
[[nodiscard]] const std::array<MergeField, 16> &MergeFields();

} // namespace OrvVelmora
