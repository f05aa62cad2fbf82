#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>

namespace OrvVelmora {

/// What a tool is: a plain command, a button with a checked state, one of a
/// set of option buttons (also with a checked state, set by the owner), a text
/// field with a drop-down list, or a button that drops a band down as a menu.
enum class ToolKind { Command, Check, Option, Combo, SubMenu };

/// One tool of a toolbar definition. "&" in the caption marks the access key;
/// line breaks in the description are CR LF.
struct ToolDefinition
{
    QString id;
    int numericId = 0;
    ToolKind kind = ToolKind::Command;
    QString category;
    QString tooltip;
    QString caption;
    QString description;
    /// Width of a combo on the toolbar, in pixels at 96 dpi; 0 for other kinds.
    int comboWidth = 0;
    /// For a sub-menu button: the band it drops down.
    QString subMenuBand;
};

enum class BandKind { Toolbar, DropDownMenu, PopupMenu };

/// One appearance of a tool in a band. A band may give the tool other texts
/// than its definition; empty overrides keep the definition's texts.
struct BandEntry
{
    QString toolId;
    bool separatorBefore = false;
    QString tooltipOverride;
    QString captionOverride;
};

struct BandDefinition
{
    QString name;
    QString caption;
    BandKind kind = BandKind::Toolbar;
    QList<BandEntry> entries;
};

/// A whole toolbar as designed: the tool collection, the bands in their
/// order, and the font of the toolbar's texts.
struct ToolBarDefinition
{
    QList<ToolDefinition> tools;
    QList<BandDefinition> bands;
    QString fontFamily;
    /// The picture of a tool by its id; a null icon (or no function) shows the caption only.
    std::function<QIcon(const QString &toolId)> icon;
};

} // namespace OrvVelmora
