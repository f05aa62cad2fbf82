#include "controls/toolbar/ToolBarNavigation.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace OrvVelmora {

ToolBarNavigation::ToolBarNavigation(QToolBar &bar)
    : QObject(&bar)
    , m_bar(bar)
{
}

void ToolBarNavigation::adopt()
{
    const QList<QWidget *> all = tools();
    for (QWidget *tool : all)
        tool->installEventFilter(this);
    m_bar.installEventFilter(this);
    makeCurrent(all.isEmpty() ? nullptr : all.first());
}

// Moving a widget into a form rebuilds Qt's Tab chain in an order of its
// own; once the band is shown, its tools are put back in the band's order.
void ToolBarNavigation::keepTabOrder()
{
    QList<QWidget *> all = tools();
    if (m_next)
        all << m_next;
    // Qt orders only widgets that take the focus; the tools do for a moment.
    for (QWidget *tool : all)
        tool->setFocusPolicy(Qt::FocusPolicy(tool->focusPolicy() | Qt::TabFocus));
    for (qsizetype i = 1; i < all.size(); ++i)
        QWidget::setTabOrder(all[i - 1], all[i]);
    makeCurrent(m_current);
}

void ToolBarNavigation::setNext(QWidget *next)
{
    m_next = next;
}

QList<QWidget *> ToolBarNavigation::tools() const
{
    QList<QWidget *> found;
    for (QAction *action : m_bar.actions()) {
        QWidget *tool = m_bar.widgetForAction(action);
        if (tool && !action->isSeparator() && action->isVisible() && tool->isEnabled())
            found << tool;
    }
    return found;
}

// Only the current tool takes Tab; the others are reached with the arrows.
// It is a strong focus (Tab and click): desktops that let Tab reach only
// such widgets would skip it otherwise. A click on a tool hands the caret
// back to the owner anyway; the other buttons never take it, and a combo
// always may, since one types into it.
void ToolBarNavigation::makeCurrent(QWidget *tool)
{
    m_current = tool;
    for (QWidget *each : tools()) {
        if (each == tool)
            each->setFocusPolicy(Qt::StrongFocus);
        else
            each->setFocusPolicy(qobject_cast<QComboBox *>(each) ? Qt::ClickFocus : Qt::NoFocus);
    }
}

void ToolBarNavigation::focusCurrent()
{
    if (!m_current || !tools().contains(m_current))
        makeCurrent(tools().value(0));
    if (m_current)
        m_current->setFocus(Qt::TabFocusReason);
}

void ToolBarNavigation::moveTo(QWidget *tool)
{
    makeCurrent(tool);
    tool->setFocus(Qt::TabFocusReason);
}

void ToolBarNavigation::moveFrom(QWidget *tool, int step)
{
    const QList<QWidget *> all = tools();
    const qsizetype at = all.indexOf(tool);
    if (at < 0 || all.isEmpty())
        return;
    moveTo(all.at((at + step + all.size()) % all.size()));
}

bool ToolBarNavigation::leavesCombo(const QComboBox &combo, int step)
{
    const QLineEdit *edit = combo.lineEdit();
    if (!edit || (edit->hasSelectedText() && edit->selectedText() == edit->text()))
        return true;
    if (edit->hasSelectedText())
        return false;
    return step < 0 ? edit->cursorPosition() == 0 : edit->cursorPosition() == edit->text().size();
}

namespace {

// A button that drops a menu down has it from its action, not set on itself.
bool dropsMenu(const QToolButton *button)
{
    return button && (button->menu() || (button->defaultAction() && button->defaultAction()->menu<QMenu *>()));
}

} // namespace

bool ToolBarNavigation::pressKey(QWidget *tool, int key, Qt::KeyboardModifiers modifiers)
{
    const auto *combo = qobject_cast<QComboBox *>(tool);
    auto *button = qobject_cast<QToolButton *>(tool);
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int step = key == Qt::Key_Left ? -1 : 1;
        if (combo && !leavesCombo(*combo, step))
            return false;
        moveFrom(tool, step);
        return true;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (combo)
            return false;
        moveTo(key == Qt::Key_Home ? tools().constFirst() : tools().constLast());
        return true;
    case Qt::Key_Escape: Q_EMIT escapePressed(); return true;
    case Qt::Key_Down:
        if (!dropsMenu(button))
            return false;
        button->showMenu();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!button)
            return false;
        if (dropsMenu(button))
            button->showMenu();
        else
            button->click();
        return true;
    default: return false;
    }
}

bool ToolBarNavigation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_bar) {
        if (event->type() == QEvent::Show)
            keepTabOrder();
        return QObject::eventFilter(watched, event);
    }
    auto *tool = qobject_cast<QWidget *>(watched);
    if (event->type() == QEvent::FocusIn && tool && tool != m_current)
        makeCurrent(tool);
    if (event->type() != QEvent::KeyPress || !tool)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    return pressKey(tool, key->key(), key->modifiers()) || QObject::eventFilter(watched, event);
}

} // namespace OrvVelmora
