#pragma once

#include <QColor>

class QAbstractButton;

namespace OrvVelmora {

/// The three colour properties of our buttons: BackColor fills the button,
/// BorderColor draws its frame (and fills it while pressed), ForeColor is its
/// caption. Hovering darkens the fill a little; a disabled button keeps the
/// fill and greys its caption and frame.
struct ButtonColors
{
    QColor BackColor;
    QColor BorderColor;
    QColor ForeColor;

    /// Styles one button; with primary on, fore and back swap, for the
    /// button that carries the main action of a window.
    void applyTo(QAbstractButton *button, bool primary = false) const;
};

} // namespace OrvVelmora
