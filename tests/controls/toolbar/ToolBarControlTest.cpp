// The editor's toolbar as a user meets it: every tool's texts, the bands with
// their separators, one checked state per tool on every band, the combos and
// the pop-up bands.
#include "controls/toolbar/ToolBarControl.h"
#include "editor/EditorToolBarDefinition.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

struct ExpectedTool
{
    const char *id;
    int numericId;
    ToolKind kind;
    const char *category;
    const char *tooltip;
    const char *caption;
    const char *description;
};

// Written from the product's tool list; "\r\n" is the status line's line break.
const ExpectedTool kTools[] = {
    {"FileOpen", 20002, ToolKind::Command, "Datei", "Öffnen", "Ö&ffnen...", "Öffnet ein vorhandenes Dokument"},
    {"FileSave", 20005, ToolKind::Command, "Datei", "Speichern", "&Speichern", "Speichert das aktive Dokument"},
    {"FilePlaceHolder", 20054, ToolKind::SubMenu, "Datei", "Seriendruckfelder", "Seriendruckfeld", ""},
    {"EditCut", 20019, ToolKind::Command, "Bearbeiten", "Ausschneiden", "A&usschneiden",
     "Schneidet die Markierung aus und fügt den\r\nInhalt in die Zwischenablage ein"},
    {"EditCopy", 20020, ToolKind::Command, "Bearbeiten", "Kopieren", "&Kopieren",
     "Kopiert die Markierung in die Zwischenablage"},
    {"EditPaste", 20021, ToolKind::Command, "Bearbeiten", "Einfügen", "&Einfügen",
     "Fügt den Inhalt der Zwischenablage an der \r\naktuellen Position ein"},
    {"EditUndo", 20017, ToolKind::Command, "Bearbeiten", "Rückgängig", "&Rückgängig",
     "Macht die letzte Aktion rückgängig"},
    {"FormatFont", 20039, ToolKind::Combo, "Format", "Schriftart", "Schrift&art", "Legt die Schriftart fest"},
    {"FormatFontSize", 20040, ToolKind::Combo, "Format", "Schriftgröße", "Schrift&größe", "Legt die Schriftgröße fest"},
    {"FormatBold", 20042, ToolKind::Check, "Format", "Fett", "&Fett", "Text wird Fett dargestellt"},
    {"FormatItalic", 20043, ToolKind::Check, "Format", "Kursiv", "&Kursiv", "Text wird Kursiv dargestellt"},
    {"FormatUnderline", 20045, ToolKind::Check, "Format", "Unterstrichen", "&Unterstrichen",
     "Text wird Unterstrichen dargestellt"},
    {"FormatFontColor", 20053, ToolKind::Command, "Format", "Schriftfarbe", "Schriftfarbe...",
     "Legt die Schriftfarbe fest"},
    {"FormatAlignLeft", 20046, ToolKind::Option, "Format", "Linksbündig", "Linksbündig...",
     "Text wird links ausgerichtet"},
    {"FormatAlignCenter", 20047, ToolKind::Option, "Format", "Zentriert", "Zentriert...",
     "Text wird zentriert ausgerichtet"},
    {"FormatAlignRight", 20048, ToolKind::Option, "Format", "Rechtsbündig", "Rechtsbündig...",
     "Text wird rechts ausgerichtet"},
    {"FormatMoreIndent", 20050, ToolKind::Command, "Format", "Einzug vergrößern", "Einzug vergrößern...",
     "Einzug wird vergrößert"},
    {"FormatLessIndent", 20051, ToolKind::Command, "Format", "Einzug verkleinern", "Einzug verkleinern...",
     "Einzug wird verkleinert"},
    {"FormatBullets", 20052, ToolKind::Check, "Format", "Aufzählung", "Aufzählung...",
     "Fügt dem markierten Text aufzählungszeichen \r\nhinzu oder entfernt diese"},
    {"VarDate", 20055, ToolKind::Command, "Variablen", "", "Datum", ""},
    {"KDNummer", 20056, ToolKind::Command, "Variablen", "", "Kunden Nummer", ""},
    {"KDAnrede", 20057, ToolKind::Command, "Variablen", "", "Anrede", ""},
    {"KDBriefAnrede", 20071, ToolKind::Command, "Variablen", "", "Briefanrede", ""},
    {"KDVorname", 20058, ToolKind::Command, "Variablen", "", "Vorname", ""},
    {"KDName", 20059, ToolKind::Command, "Variablen", "", "Name", ""},
    {"KDFirma", 20060, ToolKind::Command, "Variablen", "", "Firma", ""},
    {"KDZusatz", 20061, ToolKind::Command, "Variablen", "", "Firmenzusatz", ""},
    {"KDAnsprechPartner", 20062, ToolKind::Command, "Variablen", "", "Ansprechpartner", ""},
    {"KDStrasse", 20063, ToolKind::Command, "Variablen", "", "Strasse", ""},
    {"KDPLZ", 20064, ToolKind::Command, "Variablen", "", "PLZ", ""},
    {"KDOrt", 20065, ToolKind::Command, "Variablen", "", "Ort", ""},
    {"KDLand", 20066, ToolKind::Command, "Variablen", "", "Land", ""},
    {"KDEMail", 20067, ToolKind::Command, "Variablen", "", "e-Mail Adresse", ""},
    {"KDFreiFeld1", 20068, ToolKind::Command, "Variablen", "", "Freifeld 1", ""},
    {"KDFreiFeld2", 20069, ToolKind::Command, "Variablen", "", "Freifeld 2", ""},
    {"KDFreiFeld3", 20070, ToolKind::Command, "Variablen", "", "Freifeld 3", ""},
};

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

/// A band as the user sees it: ids in order, "|" for each separator.
QString bandLayout(const QList<QAction *> &actions)
{
    QStringList items;
    for (const QAction *action : actions)
        items << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
    return items.join(QLatin1Char(' '));
}

class ToolBarControlTest : public ::testing::Test
{
protected:
    ToolBarControl toolBar{editorToolBarDefinition()};
};

TEST_F(ToolBarControlTest, EveryToolCarriesItsKindCategoryAndTexts)
{
    ASSERT_EQ(editorToolBarDefinition().tools.size(), int(std::size(kTools)));
    for (const ExpectedTool &expected : kTools) {
        SCOPED_TRACE(expected.id);
        const ToolDefinition *tool = toolBar.definition(u(expected.id));
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->numericId, expected.numericId);
        EXPECT_EQ(tool->kind, expected.kind);
        EXPECT_EQ(tool->category, u(expected.category));
        EXPECT_EQ(tool->caption, u(expected.caption));
        const QAction *action = toolBar.tool(u(expected.id));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->objectName(), u(expected.id));
        EXPECT_EQ(tool->tooltip, u(expected.tooltip));
        // Qt shows the caption where a tool has no tooltip of its own.
        EXPECT_EQ(action->toolTip(),
                  u(*expected.tooltip ? expected.tooltip : expected.caption).remove(QLatin1Char('&')));
        EXPECT_EQ(action->isCheckable(), expected.kind == ToolKind::Check || expected.kind == ToolKind::Option);
        if (expected.kind == ToolKind::Combo) {
            EXPECT_EQ(toolBar.combo(u(expected.id))->statusTip(), u(expected.description));
        } else {
            EXPECT_EQ(action->text(), u(expected.caption));
            EXPECT_EQ(action->statusTip(), u(expected.description));
        }
    }
}

TEST_F(ToolBarControlTest, LookUpIsByExactId)
{
    EXPECT_EQ(toolBar.tool(QStringLiteral("formatbold")), nullptr);
    EXPECT_EQ(toolBar.tool(QStringLiteral("Unknown")), nullptr);
    EXPECT_FALSE(toolBar.setChecked(QStringLiteral("FileSave"), true));
    EXPECT_FALSE(toolBar.checked(QStringLiteral("FileSave")).has_value());
    EXPECT_FALSE(toolBar.setComboText(QStringLiteral("FormatBold"), QStringLiteral("x")));
}

TEST_F(ToolBarControlTest, BandsListTheirToolsWithGroupSeparators)
{
    const struct
    {
        const char *band;
        const char *layout;
    } bands[] = {
        {"tbDefault",
         "FileOpen FileSave FilePlaceHolder | EditCut EditCopy EditPaste EditUndo | FormatFont "
         "FormatFontSize | FormatBold FormatItalic FormatUnderline | FormatFontColor | FormatAlignLeft "
         "FormatAlignCenter FormatAlignRight | FormatMoreIndent FormatLessIndent | FormatBullets"},
        {"popVariable",
         "VarDate | KDNummer | KDAnrede KDBriefAnrede KDVorname KDName KDFirma KDZusatz KDAnsprechPartner | "
         "KDStrasse KDPLZ KDOrt KDLand | KDEMail | KDFreiFeld1 KDFreiFeld2 KDFreiFeld3"},
        {"popMenu",
         "EditUndo | FileOpen FileSave | FilePlaceHolder | EditCut EditCopy EditPaste | FormatBold "
         "FormatItalic FormatUnderline | FormatFontColor | FormatMoreIndent FormatLessIndent | FormatBullets"},
    };
    for (const auto &band : bands) {
        SCOPED_TRACE(band.band);
        const QMenu *menu = toolBar.band(u(band.band));
        const QList<QAction *> actions = menu ? menu->actions() : toolBar.dockedBand()->actions();
        EXPECT_EQ(bandLayout(actions), u(band.layout));
    }
    EXPECT_EQ(toolBar.dockedBand()->windowTitle(), QStringLiteral("Standard"));
    EXPECT_EQ(toolBar.band(QStringLiteral("popVariable"))->windowTitle(), QStringLiteral("Variablen"));
    EXPECT_EQ(toolBar.band(QStringLiteral("popMenu"))->windowTitle(), u("Menü"));
    EXPECT_EQ(toolBar.tool(QStringLiteral("FilePlaceHolder"))->menu(), toolBar.band(QStringLiteral("popVariable")));
}

// FileOpen has its own texts on the toolbar. Clicks on any band, and opening
// the variables menu, report the tool; checked states are left to the owner
// and shown on every band.
TEST_F(ToolBarControlTest, ClicksOnEveryBandReportTheToolAndLeaveTheCheckedStateToTheOwner)
{
    toolBar.show();
    QAction *openOnToolbar = toolBar.dockedBand()->actions().constFirst();
    EXPECT_EQ(openOnToolbar->toolTip(), QStringLiteral("Aus Datei laden"));
    EXPECT_EQ(openOnToolbar->text(), QStringLiteral("Aus Datei"));
    QAction *openInMenu = toolBar.band(QStringLiteral("popMenu"))->actions().at(2);
    EXPECT_EQ(openInMenu->toolTip(), u("Öffnen"));
    EXPECT_EQ(openInMenu->text(), QStringLiteral("Aus Datei laden"));
    QAction *bold = toolBar.tool(QStringLiteral("FormatBold"));
    QAction *boldInMenu = toolBar.band(QStringLiteral("popMenu"))->actions().at(11);
    ASSERT_EQ(boldInMenu->objectName(), QStringLiteral("FormatBold"));

    QSignalSpy clicks(&toolBar, &ToolBarControl::ToolClick);
    openInMenu->trigger();
    openOnToolbar->trigger();
    QTest::mouseClick(toolBar.dockedBand()->widgetForAction(bold), Qt::LeftButton);
    boldInMenu->trigger();
    QMenu *variables = toolBar.band(QStringLiteral("popVariable"));
    variables->popup(QPoint(10, 10));
    variables->hide();
    QStringList reported;
    for (const QList<QVariant> &click : clicks)
        reported << click.at(0).toString();
    EXPECT_EQ(reported,
              QStringList({QStringLiteral("FileOpen"), QStringLiteral("FileOpen"), QStringLiteral("FormatBold"),
                           QStringLiteral("FormatBold"), QStringLiteral("FilePlaceHolder")}));
    EXPECT_FALSE(*toolBar.checked(QStringLiteral("FormatBold")));

    toolBar.setChecked(QStringLiteral("FormatBold"), true);
    EXPECT_TRUE(boldInMenu->isChecked());
    EXPECT_TRUE(bold->isChecked());
}

TEST_F(ToolBarControlTest, CombosReportAPickedEntryAndAConfirmedTextOnce)
{
    toolBar.show();
    toolBar.setComboList(QStringLiteral("FormatFontSize"), {QStringLiteral("10"), QStringLiteral("12")});
    toolBar.setComboStyle(QStringLiteral("FormatFontSize"), 1);
    QComboBox *sizes = toolBar.combo(QStringLiteral("FormatFontSize"));
    QSignalSpy changes(&toolBar, &ToolBarControl::ComboChange);

    sizes->showPopup();
    QTest::keyClick(sizes->view(), Qt::Key_End);
    QTest::keyClick(sizes->view(), Qt::Key_Return);
    EXPECT_EQ(toolBar.comboText(QStringLiteral("FormatFontSize")), QStringLiteral("12"));
    sizes->lineEdit()->selectAll();
    // Keys go to the box, which hands them to its line edit, as with a person typing.
    QTest::keyClicks(sizes, QStringLiteral("11"));
    QTest::keyClick(sizes, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(changes.size(), 2) << "the keypad's Enter confirms too";
    sizes->lineEdit()->selectAll();
    QTest::keyClicks(sizes, QStringLiteral("10,5"));
    QTest::keyClick(sizes, Qt::Key_Return);

    ASSERT_EQ(changes.size(), 3);
    EXPECT_EQ(changes.at(1).at(0).toString(), QStringLiteral("FormatFontSize"));
    EXPECT_EQ(toolBar.comboText(QStringLiteral("FormatFontSize")), QStringLiteral("10,5"));
    EXPECT_EQ(toolBar.comboList(QStringLiteral("FormatFontSize")),
              QStringList({QStringLiteral("10"), QStringLiteral("12")}));
}

TEST_F(ToolBarControlTest, ComboShowsATextOutsideItsListAndKeepsItWhenTheListChanges)
{
    toolBar.setComboText(QStringLiteral("FormatFont"), QStringLiteral("Keine Schrift"));
    toolBar.setComboList(QStringLiteral("FormatFont"), {QStringLiteral("Arial"), QStringLiteral("Courier")});
    EXPECT_EQ(toolBar.comboText(QStringLiteral("FormatFont")), QStringLiteral("Keine Schrift"));
}

TEST_F(ToolBarControlTest, PopupBandOpensAtThePointerOrAtTheGivenPlace)
{
    QCursor::setPos(QPoint(140, 90));
    EXPECT_TRUE(toolBar.showPopupMenu(QStringLiteral("popMenu"), -1, -1));
    QMenu *menu = toolBar.band(QStringLiteral("popMenu"));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), QCursor::pos());
    menu->hide();

    EXPECT_TRUE(toolBar.showPopupMenu(QStringLiteral("popMenu"), 30, 40));
    EXPECT_EQ(menu->pos(), QPoint(30, 40));
    menu->hide();
    EXPECT_FALSE(toolBar.showPopupMenu(QStringLiteral("tbDefault")));
    EXPECT_FALSE(toolBar.showPopupMenu(QStringLiteral("popmenu")));
}

TEST_F(ToolBarControlTest, BackColorKeepsASystemColourCodeAndPaintsItsColour)
{
    toolBar.setBackColor(ColorValue::kButtonFace);
    EXPECT_EQ(toolBar.BackColor().value(), 0x8000000Fu);
    toolBar.setBackColor(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(toolBar.BackColor().value(), 0x563412u);
    EXPECT_EQ(toolBar.dockedBand()->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
}

} // namespace
