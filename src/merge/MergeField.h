#pragma once

#include <QString>

#include <array>

namespace OrvVelmora {

/// A placeholder token, the recipient column whose text replaces it, and the
/// tool of the editor's variables menu that inserts it. The date token has no
/// column: it stands for today's date.
struct MergeField
{
    QString token;
    /// Key of the recipient list column, empty for the date.
    QString columnKey;
    /// Id, numeric id and caption of the variables menu's tool.
    QString toolId;
    int toolNumericId = 0;
    QString toolCaption;
};

/// The sixteen tokens in the order the merge applies them. The merge, the
/// editor's variables menu and its context menu all read this one table.
[[nodiscard]] const std::array<MergeField, 16> &MergeFields();

/// The field whose menu tool has this id, or nullptr.
[[nodiscard]] const MergeField *mergeFieldForTool(const QString &toolId);

} // namespace OrvVelmora
