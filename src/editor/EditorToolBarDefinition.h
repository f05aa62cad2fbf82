#pragma once

#include "controls/toolbar/ToolDefinition.h"

namespace OrvVelmora {

/// The message editor's toolbar as designed: 35 tools, the docked band
/// "tbDefault", the variables menu "popVariable" and the context menu "popMenu".
[[nodiscard]] const ToolBarDefinition &editorToolBarDefinition();

} // namespace OrvVelmora
