#pragma once

#include <QString>

#include <array>

namespace OrvVelmora {

/// A placeholder token, the recipient column whose text replaces it, and the
/// tool of the editor's variables menu that inserts it. The date token and the
/// letter's salutation have no column of their own: one stands for today's
/// date, the other is made from the columns Anrede and Name.
struct MergeField
{
    enum class Kind { Column, Date, Salutation };

    QString token;
    /// Key of the recipient list column, empty for the date and the salutation.
    QString columnKey;
    /// Id, numeric id and caption of the variables menu's tool.
    QString toolId;
    int toolNumericId = 0;
    QString toolCaption;
    Kind kind = Kind::Column;
};

inline constexpr std::size_t kMergeFieldCount = 17;

/// The tokens in the order the merge applies them. The merge, the editor's
/// variables menu and its context menu all read this one table.
[[nodiscard]] const std::array<MergeField, kMergeFieldCount> &MergeFields();

/// The field whose menu tool has this id, or nullptr.
[[nodiscard]] const MergeField *mergeFieldForTool(const QString &toolId);

} // namespace OrvVelmora
