#include "base/platform/NamedComboAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace OrvVelmora {

namespace {

QAccessibleInterface *namedComboFactory(const QString &className, QObject *object)
{
    auto *box = qobject_cast<QComboBox *>(object);
    if (!box || className != QLatin1String("QComboBox") || box->accessibleName().isEmpty())
        return nullptr;
    return new NamedComboAccessible(box);
}

} // namespace

NamedComboAccessible::NamedComboAccessible(QComboBox *box)
    : QAccessibleWidget(box, QAccessible::ComboBox)
{
}

QComboBox *NamedComboAccessible::box() const
{
    return static_cast<QComboBox *>(widget());
}

QString NamedComboAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: return box()->accessibleName();
    case QAccessible::Value: return box()->currentText();
    default: return QAccessibleWidget::text(t);
    }
}

QAccessible::State NamedComboAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = box()->view() && box()->view()->isVisible();
    s.editable = box()->isEditable();
    return s;
}

QStringList NamedComboAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

void NamedComboAccessible::doAction(const QString &actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction())
        box()->showPopup();
}

void NamedComboAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace OrvVelmora
