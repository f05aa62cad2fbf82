#include "controls/toolbar/ToolBarControl.h"

#include "base/platform/NamedComboAccessible.h"
#include "controls/toolbar/ToolBarNavigation.h"

#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

constexpr int kIconSize = 16;
// Room for the drop-down arrow beside a combo's designed text width.
constexpr int kComboArrowRoom = 14;
constexpr const char *kStyleProperty = "orvComboStyle";

bool hasCheckedState(ToolKind kind)
{
    return kind == ToolKind::Check || kind == ToolKind::Option;
}

} // namespace

ToolBarControl::ToolBarControl(const ToolBarDefinition &definition, QWidget *parent)
    : QWidget(parent)
    , m_toolBar(new QToolBar(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_toolBar);
    m_toolBar->setIconSize(QSize(kIconSize, kIconSize));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    QFont toolFont = m_toolBar->font();
    if (!definition.fontFamily.isEmpty())
        toolFont.setFamily(definition.fontFamily);
    m_toolBar->setFont(toolFont);

    for (const ToolDefinition &tool : definition.tools) {
        m_definitions.insert(tool.id, tool);
        if (tool.kind != ToolKind::Combo)
            m_actions.insert(tool.id, createAction(tool, definition.icon ? definition.icon(tool.id) : QIcon()));
    }
    for (const BandDefinition &band : definition.bands) {
        if (band.kind != BandKind::Toolbar) {
            auto *menu = new QMenu(band.caption, this);
            menu->setObjectName(band.name);
            // A menu that drops down from a tool takes the tool's caption as
            // its title; the band keeps its own caption as the window title.
            menu->setWindowTitle(band.caption);
            menu->setFont(toolFont);
            m_menus.insert(band.name, menu);
        }
    }
    connectSubMenus();
    for (const BandDefinition &band : definition.bands) {
        if (band.kind == BandKind::Toolbar)
            buildDockedBand(band);
        else
            buildMenuBand(band);
    }
    setBackColor(m_backColor);
    m_navigation = new ToolBarNavigation(*m_toolBar);
    m_navigation->adopt();
    connect(m_navigation, &ToolBarNavigation::escapePressed, this, &ToolBarControl::EscapePressed);
}

ToolBarControl::~ToolBarControl() = default;

void ToolBarControl::focusTools()
{
    m_navigation->focusCurrent();
}

void ToolBarControl::setNextInTabOrder(QWidget *next)
{
    m_navigation->setNext(next);
}

QAction *ToolBarControl::createAction(const ToolDefinition &tool, const QIcon &icon)
{
    auto *action = new QAction(icon, tool.caption, this);
    action->setObjectName(tool.id);
    action->setToolTip(tool.tooltip);
    action->setStatusTip(tool.description);
    action->setCheckable(hasCheckedState(tool.kind));
    connect(action, &QAction::triggered, this, [this, action, id = tool.id] { reportClick(action, id); });
    return action;
}

void ToolBarControl::reportClick(QAction *action, const QString &id)
{
    // Qt flips a checkable action before it reports the trigger; the owner
    // decides the state, so the flip is taken back before the click is reported.
    if (action->isCheckable()) {
        const QSignalBlocker blocker(action);
        action->setChecked(!action->isChecked());
    }
    Q_EMIT ToolClick(id);
}

void ToolBarControl::connectSubMenus()
{
    for (const ToolDefinition &tool : std::as_const(m_definitions)) {
        QMenu *menu = m_menus.value(tool.subMenuBand);
        if (tool.kind != ToolKind::SubMenu || !menu)
            continue;
        m_actions.value(tool.id)->setMenu(menu);
        connect(menu, &QMenu::aboutToShow, this, [this, id = tool.id] { Q_EMIT ToolClick(id); });
    }
}

QAction *ToolBarControl::appearance(const ToolDefinition &tool, const BandEntry &entry)
{
    QAction *shared = m_actions.value(tool.id);
    if (entry.tooltipOverride.isEmpty() && entry.captionOverride.isEmpty())
        return shared;
    auto *own =
        new QAction(shared->icon(), entry.captionOverride.isEmpty() ? tool.caption : entry.captionOverride, this);
    own->setObjectName(tool.id);
    own->setToolTip(entry.tooltipOverride.isEmpty() ? tool.tooltip : entry.tooltipOverride);
    own->setStatusTip(tool.description);
    connect(own, &QAction::triggered, this, [this, id = tool.id] { Q_EMIT ToolClick(id); });
    return own;
}

void ToolBarControl::buildDockedBand(const BandDefinition &band)
{
    m_toolBar->setObjectName(band.name);
    m_toolBar->setWindowTitle(band.caption);
    for (const BandEntry &entry : band.entries) {
        const auto found = m_definitions.constFind(entry.toolId);
        if (found == m_definitions.cend())
            continue;
        if (entry.separatorBefore)
            m_toolBar->addSeparator();
        if (found->kind == ToolKind::Combo) {
            addComboTool(*found);
            continue;
        }
        QAction *action = appearance(*found, entry);
        m_toolBar->addAction(action);
        if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(action));
            button && found->kind == ToolKind::SubMenu) {
            button->setPopupMode(QToolButton::InstantPopup);
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }
}

void ToolBarControl::buildMenuBand(const BandDefinition &band)
{
    QMenu *menu = m_menus.value(band.name);
    for (const BandEntry &entry : band.entries) {
        const auto found = m_definitions.constFind(entry.toolId);
        // A combo needs the docked band's room; menus leave it out.
        if (found == m_definitions.cend() || found->kind == ToolKind::Combo)
            continue;
        if (entry.separatorBefore && !menu->isEmpty())
            menu->addSeparator();
        menu->addAction(appearance(*found, entry));
    }
}

void ToolBarControl::addComboTool(const ToolDefinition &tool)
{
    // Before the box exists: Qt keeps the first reading it makes of a widget.
    NamedComboAccessible::install();
    auto *box = new QComboBox(m_toolBar);
    box->setObjectName(tool.id);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setToolTip(tool.tooltip);
    box->setStatusTip(tool.description);
    // Named by what it sets, not by the value it shows ("Arial", "10").
    box->setAccessibleName(tool.tooltip);
    box->setAccessibleDescription(tool.description);
    // A fixed width: long font names must not push the other tools off the band.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setFixedWidth(tool.comboWidth * logicalDpiX() / 96 + kComboArrowRoom);
    box->setMaxVisibleItems(16);
    m_combos.insert(tool.id, box);
    QAction *action = m_toolBar->addWidget(box);
    action->setObjectName(tool.id);
    action->setToolTip(tool.tooltip);
    m_actions.insert(tool.id, action);
    connect(box, &QComboBox::textActivated, this, [this, id = tool.id] { Q_EMIT ComboChange(id); });
    connect(box->lineEdit(), &QLineEdit::returnPressed, this, [this, id = tool.id] { Q_EMIT ComboChange(id); });
}

QAction *ToolBarControl::tool(const QString &id) const
{
    return m_actions.value(id);
}

const ToolDefinition *ToolBarControl::definition(const QString &id) const
{
    const auto found = m_definitions.constFind(id);
    return found == m_definitions.cend() ? nullptr : &*found;
}

std::optional<bool> ToolBarControl::checked(const QString &id) const
{
    const QAction *action = m_actions.value(id);
    if (!action || !action->isCheckable())
        return std::nullopt;
    return action->isChecked();
}

bool ToolBarControl::setChecked(const QString &id, bool on)
{
    QAction *action = m_actions.value(id);
    if (!action || !action->isCheckable())
        return false;
    action->setChecked(on);
    return true;
}

QComboBox *ToolBarControl::combo(const QString &id) const
{
    return m_combos.value(id);
}

std::optional<QString> ToolBarControl::comboText(const QString &id) const
{
    const QComboBox *box = combo(id);
    if (!box)
        return std::nullopt;
    return box->currentText();
}

bool ToolBarControl::setComboText(const QString &id, const QString &text)
{
    QComboBox *box = combo(id);
    if (!box)
        return false;
    // The entry shown is also the current one: Qt reports an editable box whose
    // text differs from its current entry as changed when the focus leaves it,
    // and merely passing through the box must not set a size.
    const QSignalBlocker blocker(box);
    if (const int entry = box->findText(text); entry >= 0)
        box->setCurrentIndex(entry);
    box->setEditText(text);
    return true;
}

bool ToolBarControl::setComboList(const QString &id, const QStringList &items)
{
    QComboBox *box = combo(id);
    if (!box)
        return false;
    const QSignalBlocker blocker(box);
    const QString shown = box->currentText();
    box->clear();
    box->addItems(items);
    box->setEditText(shown);
    return true;
}

QStringList ToolBarControl::comboList(const QString &id) const
{
    QStringList items;
    if (const QComboBox *box = combo(id)) {
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
    }
    return items;
}

bool ToolBarControl::setComboStyle(const QString &id, int styleCode)
{
    QComboBox *box = combo(id);
    if (!box)
        return false;
    box->setProperty(kStyleProperty, styleCode);
    if (styleCode == 3) {
        auto *completer = new QCompleter(box->model(), box);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setCompletionMode(QCompleter::InlineCompletion);
        box->setCompleter(completer);
    } else {
        box->setCompleter(nullptr);
    }
    return true;
}

QMenu *ToolBarControl::band(const QString &name) const
{
    return m_menus.value(name);
}

bool ToolBarControl::showPopupMenu(const QString &bandName, int x, int y)
{
    QMenu *menu = band(bandName);
    if (!menu)
        return false;
    menu->popup(x == -1 && y == -1 ? QCursor::pos() : QPoint(x, y));
    return true;
}

void ToolBarControl::setBackColor(ColorValue color)
{
    m_backColor = color;
    QPalette palette = m_toolBar->palette();
    palette.setColor(QPalette::Window, color.toQColor());
    palette.setColor(QPalette::Button, color.toQColor());
    m_toolBar->setPalette(palette);
    m_toolBar->setAutoFillBackground(true);
    setPalette(palette);
    setAutoFillBackground(true);
    m_toolBar->update();
}

} // namespace OrvVelmora
