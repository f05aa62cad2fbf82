#include "controls/toolbar/ColorValue.h"

#include <QGuiApplication>
#include <QPalette>

namespace OrvVelmora {

namespace {

struct SystemColorRole
{
    int index;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The classic system-colour indexes mapped onto the nearest palette roles.
constexpr SystemColorRole kSystemRoles[] = {
    {0, QPalette::Active, QPalette::Button},          // scroll bar
    {1, QPalette::Active, QPalette::Window},          // desktop
    {2, QPalette::Active, QPalette::Highlight},       // active caption
    {3, QPalette::Inactive, QPalette::Highlight},     // inactive caption
    {4, QPalette::Active, QPalette::Window},          // menu
    {5, QPalette::Active, QPalette::Base},            // window background
    {6, QPalette::Active, QPalette::Dark},            // window frame
    {7, QPalette::Active, QPalette::WindowText},      // menu text
    {8, QPalette::Active, QPalette::Text},            // window text
    {9, QPalette::Active, QPalette::HighlightedText}, // caption text
    {12, QPalette::Active, QPalette::Mid},            // application workspace
    {13, QPalette::Active, QPalette::Highlight},      // highlight
    {14, QPalette::Active, QPalette::HighlightedText},
    {15, QPalette::Active, QPalette::Button}, // button face
    {16, QPalette::Active, QPalette::Dark},   // button shadow
    {17, QPalette::Disabled, QPalette::Text}, // grey text
    {18, QPalette::Active, QPalette::ButtonText},
    {20, QPalette::Active, QPalette::Light}, // button highlight
    {21, QPalette::Active, QPalette::Shadow},
    {22, QPalette::Active, QPalette::Midlight},
    {23, QPalette::Active, QPalette::ToolTipText},
    {24, QPalette::Active, QPalette::ToolTipBase},
};

} // namespace

ColorValue::ColorValue(const QColor &color)
    : m_value(quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16)
{
}

QColor ColorValue::toQColor() const
{
    if (!isSystemColor())
        return QColor(red(), green(), blue());
    const QPalette palette = QGuiApplication::palette();
    const int index = int(m_value & 0xFF);
    for (const SystemColorRole &entry : kSystemRoles) {
        if (entry.index == index)
            return palette.color(entry.group, entry.role);
    }
    return palette.color(QPalette::Window);
}

} // namespace OrvVelmora
