#pragma once

#include <QColor>
#include <QtGlobal>

namespace OrvVelmora {

/// A colour as the editor's properties hold it: a 32-bit number with red in
/// the lowest byte, green in the next and blue in the third, or a system-colour
/// code (high bit set, the colour's index in the low byte) that names a colour
/// of the desktop's palette. Keeping the number, not a QColor, lets a saved
/// system colour come back as the same code and follow the desktop's theme.
class ColorValue
{
public:
    static constexpr quint32 kSystemFlag = 0x80000000u;
    static constexpr quint32 kWindowBackground = kSystemFlag | 5u;
    static constexpr quint32 kButtonFace = kSystemFlag | 15u;

    constexpr ColorValue() = default;
    constexpr ColorValue(quint32 value)
        : m_value(value)
    {
    }
    /// An ordinary colour from a QColor (its alpha is dropped).
    ColorValue(const QColor &color);

    [[nodiscard]] constexpr quint32 value() const { return m_value; }
    [[nodiscard]] constexpr bool isSystemColor() const { return (m_value & kSystemFlag) != 0; }
    /// The channels as the number holds them, also for a system-colour code
    /// (such a code is split like any other number, without translation).
    [[nodiscard]] constexpr int red() const { return int(m_value & 0xFF); }
    [[nodiscard]] constexpr int green() const { return int((m_value / 256u) & 0xFF); }
    [[nodiscard]] constexpr int blue() const { return int((m_value / 65536u) & 0xFF); }

    /// The colour to paint with: system codes are looked up in the application
    /// palette; an unknown system index gives the window colour.
    [[nodiscard]] QColor toQColor() const;

    friend constexpr bool operator==(ColorValue a, ColorValue b) { return a.m_value == b.m_value; }

private:
    quint32 m_value = 0;
};

} // namespace OrvVelmora
