#include "controls/grid/GridKeyCodes.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace OrvVelmora {

namespace {

constexpr std::array<std::pair<int, int>, 22> kNamedKeys{{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Backtab, 9},   {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},  {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},  {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},     {Qt::Key_Up, 38},      {Qt::Key_Right, 39},    {Qt::Key_Down, 40},   {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},   {Qt::Key_Print, 44},
}};

} // namespace

int GridKeyCodes::virtualKey(const QKeyEvent &event)
{
    const int key = event.key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return key; // Qt uses the ASCII codes of digits and capital letters here, as Windows does
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    for (const auto &[qtKey, code] : kNamedKeys) {
        if (qtKey == key)
            return code;
    }
    return 0;
}

int GridKeyCodes::shiftState(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
        (modifiers & Qt::AltModifier ? 4 : 0);
}

int GridKeyCodes::charCode(const QKeyEvent &event)
{
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return 13;
    if (event.key() == Qt::Key_Delete)
        return 0; // Delete types nothing, even where the platform hands over DEL
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

} // namespace OrvVelmora
