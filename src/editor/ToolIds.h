#pragma once

#include <QLatin1String>

namespace OrvVelmora::ToolId {

// The ids of the editor's tools. Hosts and saved layouts know the tools by
// these names, so they are spelled exactly so. The variables menu's tools are
// in the placeholder table (merge/MergeField.h).
inline constexpr QLatin1String FileOpen{"FileOpen"};
inline constexpr QLatin1String FileSave{"FileSave"};
inline constexpr QLatin1String FilePlaceHolder{"FilePlaceHolder"};
inline constexpr QLatin1String EditCut{"EditCut"};
inline constexpr QLatin1String EditCopy{"EditCopy"};
inline constexpr QLatin1String EditPaste{"EditPaste"};
inline constexpr QLatin1String EditUndo{"EditUndo"};
inline constexpr QLatin1String FormatFont{"FormatFont"};
inline constexpr QLatin1String FormatFontSize{"FormatFontSize"};
inline constexpr QLatin1String FormatBold{"FormatBold"};
inline constexpr QLatin1String FormatItalic{"FormatItalic"};
inline constexpr QLatin1String FormatUnderline{"FormatUnderline"};
inline constexpr QLatin1String FormatFontColor{"FormatFontColor"};
inline constexpr QLatin1String FormatAlignLeft{"FormatAlignLeft"};
inline constexpr QLatin1String FormatAlignCenter{"FormatAlignCenter"};
inline constexpr QLatin1String FormatAlignRight{"FormatAlignRight"};
inline constexpr QLatin1String FormatMoreIndent{"FormatMoreIndent"};
inline constexpr QLatin1String FormatLessIndent{"FormatLessIndent"};
inline constexpr QLatin1String FormatBullets{"FormatBullets"};

} // namespace OrvVelmora::ToolId
