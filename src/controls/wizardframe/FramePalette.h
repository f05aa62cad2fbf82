#pragma once

#include <QColor>

namespace OrvVelmora::FramePalette {

/// The colours every control of the frame starts with, until the host's
/// colour scheme sets its own: the same four the scheme uses by default.
inline QColor back()
{
    return {0xf4, 0xf6, 0xf9};
}
inline QColor fore()
{
    return {0x1f, 0x3a, 0x5f};
}
inline QColor border()
{
    return {0xc9, 0xd6, 0xe3};
}
inline QColor accent()
{
    return {0x2e, 0x6d, 0xa4};
}

} // namespace OrvVelmora::FramePalette
