#include "controls/wizardframe/ButtonColors.h"

#include <QAbstractButton>

namespace OrvVelmora {

namespace {

// Halfway between two colours: the greyed caption of a disabled button.
QColor mix(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

} // namespace

void ButtonColors::applyTo(QAbstractButton *button, bool primary) const
{
    if (!button)
        return;
    const QColor fill = primary ? ForeColor : BackColor;
    const QColor text = primary ? BackColor : ForeColor;
    const QColor frame = primary ? ForeColor : BorderColor;
    button->setStyleSheet(QStringLiteral("QAbstractButton { background: %1; color: %2; border: 1px solid %3;"
                                         " border-radius: 4px; padding: 5px 14px; min-height: 18px; }"
                                         " QAbstractButton:hover { background: %4; }"
                                         " QAbstractButton:pressed { background: %5; }"
                                         " QAbstractButton:focus { border: 2px solid %6; padding: 4px 13px;"
                                         " text-decoration: underline; }"
                                         " QAbstractButton:disabled { background: %7; color: %8; border-color: %9; }")
                              .arg(fill.name(), text.name(), frame.name(), fill.darker(108).name(),
                                   primary ? fill.darker(125).name() : BorderColor.name(),
                                   // A ring in the fill colour would vanish on the dark primary button.
                                   primary ? BorderColor.name() : ForeColor.name(), BackColor.name(),
                                   mix(BackColor, ForeColor).name(), mix(BackColor, BorderColor).name()));
}

} // namespace OrvVelmora
