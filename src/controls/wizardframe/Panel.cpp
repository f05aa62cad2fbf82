#include "controls/wizardframe/Panel.h"

#include "controls/wizardframe/FramePalette.h"

namespace OrvVelmora {

Panel::Panel(QWidget *parent)
    : QFrame(parent)
    , m_backColor(Qt::white)
    , m_borderColor(FramePalette::border())
{
    setProperty("orvPanel", true);
    applyColors();
}

Panel::~Panel() = default;

void Panel::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyColors();
}

void Panel::setBorderColor(const QColor &color)
{
    m_borderColor = color;
    applyColors();
}

void Panel::applyColors()
{
    // The selector matches the panel alone (by its marker property), so the
    // rule does not reach the frames of the controls inside it.
    setStyleSheet(QStringLiteral("QFrame[orvPanel=\"true\"] { background: %1; border: 1px solid %2;"
                                 " border-radius: 6px; }")
                      .arg(m_backColor.name(), m_borderColor.name()));
}

} // namespace OrvVelmora
