#pragma once

class QKeyEvent;

namespace OrvVelmora {

/// Translates Qt key events into the codes the grid's key events carry: the
/// classic virtual key codes (13 Enter, 27 Escape, 46 Delete, 65..90 letters),
/// a shift state (1 Shift, 2 Ctrl, 4 Alt) and the character code a key types.
class GridKeyCodes
{
public:
    /// 0 for keys without a code (dead keys, bare modifiers we do not report).
    [[nodiscard]] static int virtualKey(const QKeyEvent &event);
    [[nodiscard]] static int shiftState(const QKeyEvent &event);
    /// The typed character (13 for Enter, 8 Backspace, 27 Escape), 0 when the key types none.
    [[nodiscard]] static int charCode(const QKeyEvent &event);
};

} // namespace OrvVelmora
