#include "editor/EditorToolBarDefinition.h"

#include "editor/ToolIcons.h"
#include "editor/ToolIds.h"
#include "merge/MergeField.h"

#include <QStringList>

namespace OrvVelmora {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

ToolDefinition tool(QLatin1String id, int numericId, ToolKind kind, const char *category, const char *tooltip,
                    const char *caption, const QString &description = {})
{
    ToolDefinition definition;
    definition.id = id;
    definition.numericId = numericId;
    definition.kind = kind;
    definition.category = QString::fromUtf8(category);
    definition.tooltip = QString::fromUtf8(tooltip);
    definition.caption = QString::fromUtf8(caption);
    definition.description = description;
    return definition;
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

ToolDefinition combo(QLatin1String id, int numericId, int width, const char *tooltip, const char *caption,
                     const char *description)
{
    ToolDefinition definition = tool(id, numericId, ToolKind::Combo, "Format", tooltip, caption, text(description));
    definition.comboWidth = width;
    return definition;
}

QList<ToolDefinition> fileAndEditTools()
{
    ToolDefinition placeHolder =
        tool(ToolId::FilePlaceHolder, 20054, ToolKind::SubMenu, "Datei", "Seriendruckfelder", "Seriendruckfeld");
    placeHolder.subMenuBand = QStringLiteral("popVariable");
    return {
        tool(ToolId::FileOpen, 20002, ToolKind::Command, "Datei", "Öffnen", "Ö&ffnen...",
             text("Öffnet ein vorhandenes Dokument")),
        tool(ToolId::FileSave, 20005, ToolKind::Command, "Datei", "Speichern", "&Speichern",
             text("Speichert das aktive Dokument")),
        placeHolder,
        tool(ToolId::EditCut, 20019, ToolKind::Command, "Bearbeiten", "Ausschneiden", "A&usschneiden",
             text("Schneidet die Markierung aus und fügt den") + kCrLf + text("Inhalt in die Zwischenablage ein")),
        tool(ToolId::EditCopy, 20020, ToolKind::Command, "Bearbeiten", "Kopieren", "&Kopieren",
             text("Kopiert die Markierung in die Zwischenablage")),
        tool(ToolId::EditPaste, 20021, ToolKind::Command, "Bearbeiten", "Einfügen", "&Einfügen",
             text("Fügt den Inhalt der Zwischenablage an der ") + kCrLf + text("aktuellen Position ein")),
        tool(ToolId::EditUndo, 20017, ToolKind::Command, "Bearbeiten", "Rückgängig", "&Rückgängig",
             text("Macht die letzte Aktion rückgängig")),
    };
}

QList<ToolDefinition> formatTools()
{
    return {
        combo(ToolId::FormatFont, 20039, 130, "Schriftart", "Schrift&art", "Legt die Schriftart fest"),
        combo(ToolId::FormatFontSize, 20040, 40, "Schriftgröße", "Schrift&größe", "Legt die Schriftgröße fest"),
        tool(ToolId::FormatBold, 20042, ToolKind::Check, "Format", "Fett", "&Fett", text("Text wird Fett dargestellt")),
        tool(ToolId::FormatItalic, 20043, ToolKind::Check, "Format", "Kursiv", "&Kursiv",
             text("Text wird Kursiv dargestellt")),
        tool(ToolId::FormatUnderline, 20045, ToolKind::Check, "Format", "Unterstrichen", "&Unterstrichen",
             text("Text wird Unterstrichen dargestellt")),
        tool(ToolId::FormatFontColor, 20053, ToolKind::Command, "Format", "Schriftfarbe", "Schriftfarbe...",
             text("Legt die Schriftfarbe fest")),
        tool(ToolId::FormatAlignLeft, 20046, ToolKind::Option, "Format", "Linksbündig", "Linksbündig...",
             text("Text wird links ausgerichtet")),
        tool(ToolId::FormatAlignCenter, 20047, ToolKind::Option, "Format", "Zentriert", "Zentriert...",
             text("Text wird zentriert ausgerichtet")),
        tool(ToolId::FormatAlignRight, 20048, ToolKind::Option, "Format", "Rechtsbündig", "Rechtsbündig...",
             text("Text wird rechts ausgerichtet")),
        tool(ToolId::FormatMoreIndent, 20050, ToolKind::Command, "Format", "Einzug vergrößern", "Einzug vergrößern...",
             text("Einzug wird vergrößert")),
        tool(ToolId::FormatLessIndent, 20051, ToolKind::Command, "Format", "Einzug verkleinern",
             "Einzug verkleinern...", text("Einzug wird verkleinert")),
        tool(ToolId::FormatBullets, 20052, ToolKind::Check, "Format", "Aufzählung", "Aufzählung...",
             text("Fügt dem markierten Text aufzählungszeichen ") + kCrLf + text("hinzu oder entfernt diese")),
    };
}

QList<ToolDefinition> variableTools()
{
    QList<ToolDefinition> tools;
    for (const MergeField &field : MergeFields()) {
        ToolDefinition definition;
        definition.id = field.toolId;
        definition.numericId = field.toolNumericId;
        definition.category = QStringLiteral("Variablen");
        definition.caption = field.toolCaption;
        tools.append(definition);
    }
    return tools;
}

/// A band written as its tool ids in order, "|" standing for a group separator.
QList<BandEntry> entries(const QStringList &layout)
{
    QList<BandEntry> result;
    bool separator = false;
    for (const QString &item : layout) {
        if (item == QLatin1String("|")) {
            separator = true;
            continue;
        }
        result.append({item, separator, {}, {}});
        separator = false;
    }
    return result;
}

void overrideTexts(QList<BandEntry> &band, const QString &id, const char *tooltip, const char *caption)
{
    for (BandEntry &entry : band) {
        if (entry.toolId == id) {
            entry.tooltipOverride = text(tooltip);
            entry.captionOverride = text(caption);
        }
    }
}

QList<BandDefinition> bands()
{
    BandDefinition standard{QStringLiteral("tbDefault"), QStringLiteral("Standard"), BandKind::Toolbar,
                            entries({"FileOpen",
                                     "FileSave",
                                     "FilePlaceHolder",
                                     "|",
                                     "EditCut",
                                     "EditCopy",
                                     "EditPaste",
                                     "EditUndo",
                                     "|",
                                     "FormatFont",
                                     "FormatFontSize",
                                     "|",
                                     "FormatBold",
                                     "FormatItalic",
                                     "FormatUnderline",
                                     "|",
                                     "FormatFontColor",
                                     "|",
                                     "FormatAlignLeft",
                                     "FormatAlignCenter",
                                     "FormatAlignRight",
                                     "|",
                                     "FormatMoreIndent",
                                     "FormatLessIndent",
                                     "|",
                                     "FormatBullets"})};
    overrideTexts(standard.entries, QStringLiteral("FileOpen"), "Aus Datei laden", "Aus Datei");
    BandDefinition variables{QStringLiteral("popVariable"), QStringLiteral("Variablen"), BandKind::DropDownMenu,
                             entries({"VarDate",
                                      "|",
                                      "KDNummer",
                                      "|",
                                      "KDAnrede",
                                      "KDBriefAnrede",
                                      "KDVorname",
                                      "KDName",
                                      "KDFirma",
                                      "KDZusatz",
                                      "KDAnsprechPartner",
                                      "|",
                                      "KDStrasse",
                                      "KDPLZ",
                                      "KDOrt",
                                      "KDLand",
                                      "|",
                                      "KDEMail",
                                      "|",
                                      "KDFreiFeld1",
                                      "KDFreiFeld2",
                                      "KDFreiFeld3"})};
    BandDefinition context{QStringLiteral("popMenu"), text("Menü"), BandKind::PopupMenu,
                           entries({"EditUndo",
                                    "|",
                                    "FileOpen",
                                    "FileSave",
                                    "|",
                                    "FilePlaceHolder",
                                    "|",
                                    "EditCut",
                                    "EditCopy",
                                    "EditPaste",
                                    "|",
                                    "FormatBold",
                                    "FormatItalic",
                                    "FormatUnderline",
                                    "|",
                                    "FormatFontColor",
                                    "|",
                                    "FormatMoreIndent",
                                    "FormatLessIndent",
                                    "|",
                                    "FormatBullets"})};
    overrideTexts(context.entries, QStringLiteral("FileOpen"), "Öffnen", "Aus Datei laden");
    return {standard, variables, context};
}

ToolBarDefinition build()
{
    ToolBarDefinition definition;
    definition.tools = fileAndEditTools() + formatTools() + variableTools();
    definition.bands = bands();
    definition.fontFamily = QStringLiteral("Arial");
    definition.icon = toolIcon;
    return definition;
}

} // namespace

const ToolBarDefinition &editorToolBarDefinition()
{
    static const ToolBarDefinition definition = build();
    return definition;
}

} // namespace OrvVelmora
