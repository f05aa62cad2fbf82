#pragma once

#include <QIcon>
#include <QString>

namespace OrvVelmora {

/// The picture of a tool: the desktop theme's icon where the theme has one,
/// otherwise one drawn here, so the toolbar reads clearly on any desktop.
/// Tools without a picture get a null icon.
[[nodiscard]] QIcon toolIcon(const QString &toolId);

} // namespace OrvVelmora
