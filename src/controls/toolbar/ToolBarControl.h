#pragma once

#include "controls/toolbar/ColorValue.h"
#include "controls/toolbar/ToolDefinition.h"

#include <QHash>
#include <QWidget>

#include <optional>

class QAction;
class QComboBox;
class QMenu;
class QToolBar;

namespace OrvVelmora {

class ToolBarNavigation;

/// Our toolbar component: builds the bands of a ToolBarDefinition and keeps
/// one QAction per tool id, named after the id, that every appearance of the
/// tool shares (toolbar button and menu items), so a checked state exists once
/// per id. Only a band may give a tool other texts; such an appearance gets an
/// action of its own with the same name that reports the same id.
///
/// The component never changes a checked state itself: a click is reported
/// through ToolClick and the owner decides what the tool shows, through
/// setChecked. Combos sit only on the docked band; their change is reported
/// when the user picks an entry from the list or confirms a typed text with
/// Enter.
///
/// Combo style codes: 1 is an editable box for short values (the user may type
/// a value that is not in the list); 3 is an editable box that completes a
/// typed prefix from its list, for long names. Both show any text they are
/// given, also one outside the list.
class ToolBarControl : public QWidget
{
    Q_OBJECT
public:
    explicit ToolBarControl(const ToolBarDefinition &definition, QWidget *parent = nullptr);
    ~ToolBarControl() override;

    /// The shared action of a tool, looked up case-sensitively; nullptr when unknown.
    [[nodiscard]] QAction *tool(const QString &id) const;
    [[nodiscard]] const ToolDefinition *definition(const QString &id) const;

    /// The checked state of a check or option tool; nothing for other or unknown ids.
    [[nodiscard]] std::optional<bool> checked(const QString &id) const;
    /// False (nothing changes) for ids that have no checked state.
    bool setChecked(const QString &id, bool on);

    /// The combo's widget on the docked band; nullptr for other ids.
    [[nodiscard]] QComboBox *combo(const QString &id) const;
    [[nodiscard]] std::optional<QString> comboText(const QString &id) const;
    bool setComboText(const QString &id, const QString &text);
    bool setComboList(const QString &id, const QStringList &items);
    [[nodiscard]] QStringList comboList(const QString &id) const;
    bool setComboStyle(const QString &id, int styleCode);

    /// A menu band (drop-down or pop-up) by name; nullptr for the docked band or unknown names.
    [[nodiscard]] QMenu *band(const QString &name) const;
    /// The docked band.
    [[nodiscard]] QToolBar *dockedBand() const { return m_toolBar; }
    /// Opens a band as a pop-up menu at screen position (x, y) in pixels;
    /// -1, -1 means at the mouse pointer. False when there is no such band.
    bool showPopupMenu(const QString &bandName, int x = -1, int y = -1);

    /// Puts the keyboard focus on the docked band (the tool used last), for
    /// a key such as F10 that jumps to the toolbar.
    void focusTools();
    /// The widget Tab goes to from the docked band (Shift+Tab comes back).
    void setNextInTabOrder(QWidget *next);

    [[nodiscard]] ColorValue BackColor() const { return m_backColor; }
    /// Fills the docked band with this colour and repaints it.
    void setBackColor(ColorValue color);

Q_SIGNALS:
    /// A tool was clicked on any band. Opening FilePlaceHolder-like sub-menu
    /// buttons counts as a click on them, as the classic toolbars reported it.
    void ToolClick(const QString &id);
    void ComboChange(const QString &id);
    /// Esc on the docked band: the owner takes the focus back.
    void EscapePressed();

private:
    QAction *createAction(const ToolDefinition &tool, const QIcon &icon);
    QAction *appearance(const ToolDefinition &tool, const BandEntry &entry);
    void buildDockedBand(const BandDefinition &band);
    void buildMenuBand(const BandDefinition &band);
    void addComboTool(const ToolDefinition &tool);
    void connectSubMenus();
    void reportClick(QAction *action, const QString &id);

    QHash<QString, ToolDefinition> m_definitions;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QComboBox *> m_combos;
    QHash<QString, QMenu *> m_menus;
    QToolBar *m_toolBar = nullptr;
    ToolBarNavigation *m_navigation = nullptr;
    ColorValue m_backColor = ColorValue::kButtonFace;
};

} // namespace OrvVelmora
