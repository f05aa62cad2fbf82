// The editor's commands as a user gives them: toolbar and menu clicks, the
// combos, placeholders through the clipboard, the tool states following the
// selection, the context menu, and the file and colour commands.
#include "EditorFixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

namespace OrvVelmora::Testing {
namespace {

using EditorCommands = EditorFixture;

const QString kRtf = QString::fromLatin1(kMimeRtf);
const QString kPlain = QString::fromLatin1(kMimePlain);
const QString kHtml = QString::fromLatin1(kMimeHtml);

// Each toggle is switched on by its key (where it has one) or a click, and
// off by a click; the tool shows the state, the text keeps the focus.
TEST_F(EditorCommands, TogglesFollowTheToolNotTheSelection)
{
    const struct
    {
        const char *id;
        std::optional<Qt::Key> key;
        std::optional<bool> (RichTextBox::*read)() const;
    } toggles[] = {{"FormatBold", Qt::Key_B, &RichTextBox::SelBold},
                   {"FormatItalic", Qt::Key_I, &RichTextBox::SelItalic},
                   {"FormatUnderline", Qt::Key_U, &RichTextBox::SelUnderline},
                   {"FormatBullets", std::nullopt, &RichTextBox::SelBullet}};
    type(QStringLiteral("Hallo Welt"));
    for (const auto &toggle : toggles) {
        SCOPED_TRACE(toggle.id);
        select(0, 10);
        if (toggle.key)
            QTest::keyClick(&box(), *toggle.key, Qt::ControlModifier);
        else
            click(toggle.id);
        EXPECT_EQ((box().*toggle.read)(), true);
        EXPECT_TRUE(isChecked(toggle.id));
        click(toggle.id);
        EXPECT_EQ((box().*toggle.read)(), false);
        EXPECT_FALSE(isChecked(toggle.id));
        EXPECT_EQ(QApplication::focusWidget(), &box());
    }
    EXPECT_EQ(box().Text(), QStringLiteral("Hallo Welt"));
}

TEST_F(EditorCommands, PartlyBoldSelectionKeepsTheShownStateAndOneClickMakesItAllBold)
{
    type(QStringLiteral("Hallo Welt"));
    select(0, 5);
    click("FormatBold");
    select(7, 7);
    EXPECT_FALSE(isChecked("FormatBold"));
    select(0, 10);
    EXPECT_FALSE(box().SelBold().has_value());
    EXPECT_FALSE(isChecked("FormatBold"));
    click("FormatBold");
    EXPECT_EQ(box().SelBold(), true);
}

// Alignment tools are set, not toggled; their states follow the caret, and a
// selection over differently aligned paragraphs shows the right one checked.
TEST_F(EditorCommands, AlignmentToolsAreSetAndFollowTheCaret)
{
    const char *const ids[] = {"FormatAlignLeft", "FormatAlignRight", "FormatAlignCenter"};
    box().setText(QStringLiteral("links\nmitte\nrechts"));
    const struct
    {
        const char *name;
        int from, to;
        const char *click; // nullptr: only move
        int checked;       // index into ids
    } steps[] = {{"centre", 8, 8, "FormatAlignCenter", 2},       {"centre again stays", 8, 8, "FormatAlignCenter", 2},
                 {"right", 14, 14, "FormatAlignRight", 1},       {"left", 2, 2, "FormatAlignLeft", 0},
                 {"caret in centred", 8, 8, nullptr, 2},         {"caret in right-aligned", 14, 14, nullptr, 1},
                 {"left and centred selected", 2, 8, nullptr, 1}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        select(step.from, step.to);
        if (step.click) {
            click(step.click);
            EXPECT_EQ(box().SelAlignment(), step.checked);
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(isChecked(ids[i]), i == step.checked) << ids[i];
    }
}

TEST_F(EditorCommands, CombosShowTheSelectionsFontAndKeepItWhenMixed)
{
    type(QStringLiteral("eins zwei"));
    select(0, 4);
    box().setSelFontName(QStringLiteral("DejaVu Serif"));
    box().setSelFontSize(10.5);
    select(5, 9);
    box().setSelFontName(QStringLiteral("DejaVu Sans Mono"));
    for (int to : {1, 9}) {
        select(to == 1 ? 1 : 0, to);
        EXPECT_EQ(toolBar().comboText(QStringLiteral("FormatFont")), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(toolBar().comboText(QStringLiteral("FormatFontSize")), QStringLiteral("10,5"));
    }
}

TEST_F(EditorCommands, ComboChangesSetTheSelectionsFontAndSize)
{
    const struct
    {
        const char *tool, *typed, *shownAfter;
        double size;
        const char *font;
    } changes[] = {
        {"FormatFontSize", "12", "12", 12, nullptr},
        {"FormatFontSize", "10,5", "10,5", 10, nullptr}, // halves go to the even neighbour
        {"FormatFontSize", "11,5", "11,5", 12, nullptr},
        {"FormatFontSize", "zwoelf", "12", 12, nullptr}, // no number: the box shows the size again
        {"FormatFontSize", "70000", "12", 12, nullptr},  // beyond 16 bits
        {"FormatFont", "DejaVu Serif", "DejaVu Serif", 12, "DejaVu Serif"},
    };
    type(QStringLiteral("Text"));
    for (const auto &change : changes) {
        for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
            SCOPED_TRACE(std::string(change.typed) + (enter == Qt::Key_Enter ? ", keypad Enter" : ", Return"));
            select(0, 4);
            QComboBox *combo = toolBar().combo(QString::fromLatin1(change.tool));
            combo->setFocus();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo, QString::fromUtf8(change.typed));
            QTest::keyClick(combo, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_EQ(box().SelFontSize(), change.size);
            if (change.font) {
                EXPECT_EQ(box().SelFontName(), QString::fromLatin1(change.font));
            }
            EXPECT_EQ(combo->currentText(), QString::fromUtf8(change.shownAfter));
            EXPECT_EQ(QApplication::focusWidget(), &box());
        }
    }
}

TEST_F(EditorCommands, PlaceholderReplacesTheSelectionAndTheClipboardComesBack)
{
    const std::pair<const char *, const char *> variables[] = {
        {"VarDate", "<#DATE#>"}, {"KDEMail", "<#KD_EMail#>"}, {"KDAnsprechPartner", "<#KD_ANSPRECHPARTNER#>"}};
    for (const auto &[tool, token] : variables) {
        SCOPED_TRACE(tool);
        box().setText(QStringLiteral("Hallo Welt"));
        services.clipboard = {{kPlain, "vorher"}};
        const int eventRuns = services.processEventsCount;
        select(6, 10);
        click(tool);
        const QString text = QStringLiteral("Hallo ") + QString::fromLatin1(token);
        EXPECT_EQ(box().Text(), text);
        EXPECT_EQ(services.clipboard, (QMap<QString, QByteArray>{{kPlain, "vorher"}}));
        EXPECT_GT(services.processEventsCount, eventRuns);
        EXPECT_EQ(QApplication::focusWidget(), &box());
        click("EditPaste");
        EXPECT_EQ(box().Text(), text + QStringLiteral("vorher"));
    }
}

TEST_F(EditorCommands, PlaceholderGoesInDirectlyWhenTheClipboardIsUnavailable)
{
    type(QStringLiteral("Datum: "));
    services.clipboardWorks = false;
    click("VarDate");
    click("EditPaste");
    EXPECT_EQ(box().Text(), QStringLiteral("Datum: <#DATE#>"));
}

TEST_F(EditorCommands, PasteTakesRichTextThenHtmlThenPlainTextAndNothingElse)
{
    const struct
    {
        const char *name;
        QMap<QString, QByteArray> clipboard;
        const char *text;
        bool bold;
    } pastes[] = {
        {"rich before plain", {{kRtf, "{\\rtf1\\ansi {\\b fett}}"}, {kPlain, "schlicht"}}, "Afett", true},
        {"plain only",
         {{kPlain,
           "schl\xc3\xa4"
           "cht"}},
         "Aschl\xc3\xa4"
         "cht",
         false},
        {"picture only", {{QStringLiteral("image/png"), "\x89PNG"}}, "A", false},
        {"HTML before plain", {{kHtml, "<p><b>fett</b></p>"}, {kPlain, "schlicht"}}, "Afett", true},
        {"HTML alone", {{kHtml, "<b>nur</b>"}}, "Anur", true},
        {"HTML of a picture alone, words beside it",
         {{kHtml, "<img src=\"bild.png\">"}, {kPlain, "Bild"}},
         "ABild",
         false},
        // Raw 8-bit text in RTF is in the document's code page, not UTF-8.
        {"raw 8-bit RTF byte", {{kRtf, "{\\rtf1\\ansi caf\xe9}"}}, "Acaf\xc3\xa9", false},
    };
    for (const auto &paste : pastes) {
        SCOPED_TRACE(paste.name);
        box().setText(QStringLiteral("A"));
        select(1, 1);
        services.clipboard = paste.clipboard;
        click("EditPaste");
        EXPECT_EQ(box().Text(), QString::fromUtf8(paste.text));
        select(1, int(box().Text().size()));
        EXPECT_TRUE(!paste.bold || box().SelBold() == true);
        EXPECT_EQ(QApplication::focusWidget(), &box());
    }
}

TEST_F(EditorCommands, IndentMovesInStepsOf300TwipsAndNotBelowZero)
{
    const struct
    {
        int start;
        std::vector<const char *> clicks;
        int expected;
    } indents[] = {{0, {"FormatLessIndent"}, 0},
                   {600, {"FormatLessIndent"}, 300},
                   {0, {"FormatMoreIndent", "FormatMoreIndent"}, 600},
                   {300, {"FormatMoreIndent", "FormatLessIndent", "FormatLessIndent"}, 0}};
    type(QStringLiteral("Absatz"));
    for (const auto &indent : indents) {
        box().setSelIndent(indent.start);
        for (const char *id : indent.clicks)
            click(id);
        EXPECT_EQ(box().SelIndent(), indent.expected) << "from " << indent.start;
    }
}

TEST_F(EditorCommands, RightButtonOpensTheContextMenuWhoseItemsActOnTheSelection)
{
    type(QStringLiteral("Hallo Welt"));
    QMenu *menu = toolBar().band(QStringLiteral("popMenu"));
    QTest::mouseClick(box().viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(menu->isVisible());
    select(0, 5);
    QTest::mouseClick(box().viewport(), Qt::RightButton, {}, QPoint(200, 100));
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(box().textCursor().selectedText(), QStringLiteral("Hallo"));
    menu->actions().at(11)->trigger();
    menu->hide();
    EXPECT_EQ(box().SelBold(), true);
}

// Keyboard only: F10 reaches the toolbar (one Tab stop, the tool used last),
// the arrows walk it, Enter, the keypad's Enter and Space press a tool, Down
// drops the variables menu, Esc goes back; the menu key and Shift+F10 open
// the context menu at the caret.
TEST_F(EditorCommands, KeyboardReachesEveryToolAndBothMenus)
{
    type(QStringLiteral("Hallo Welt"));
    select(0, 5);
    // The band's own appearance of a tool (FileOpen has texts of its own there).
    const auto tool = [this](const char *id) -> QWidget * {
        for (QAction *action : toolBar().dockedBand()->actions())
            if (action->objectName() == QLatin1String(id))
                return toolBar().dockedBand()->widgetForAction(action);
        return nullptr;
    };
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    };
    key(Qt::Key_F10);
    ASSERT_EQ(QApplication::focusWidget(), tool("FileOpen"));
    key(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), tool("FormatBullets")) << "the arrows wrap around";
    key(Qt::Key_Home);
    for (int i = 0; i < 7; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), tool("FormatFont"));
    key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), tool("FormatFontSize")) << "arriving selects the text; an arrow leaves";
    key(Qt::Key_End);
    key(Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), tool("FormatFontSize")) << "inside the text the arrows edit it";
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    ASSERT_EQ(QApplication::focusWidget(), tool("FormatBold")) << "passing through the boxes changes nothing";
    EXPECT_EQ(tool("FileOpen")->focusPolicy(), Qt::NoFocus) << "the band is one Tab stop";

    const struct
    {
        const char *id;
        Qt::Key press;
        Qt::KeyboardModifiers modifiers;
        std::optional<bool> (RichTextBox::*applied)() const;
    } presses[] = {{"FormatBold", Qt::Key_Return, Qt::NoModifier, &RichTextBox::SelBold},
                   {"FormatItalic", Qt::Key_Enter, Qt::KeypadModifier, &RichTextBox::SelItalic},
                   {"FormatUnderline", Qt::Key_Space, Qt::NoModifier, &RichTextBox::SelUnderline}};
    for (const auto &p : presses) {
        SCOPED_TRACE(p.id);
        if (QApplication::focusWidget() == &box()) {
            key(Qt::Key_F10, Qt::AltModifier);
            key(Qt::Key_Right);
        }
        ASSERT_EQ(QApplication::focusWidget(), tool(p.id));
        key(p.press, p.modifiers);
        EXPECT_EQ((box().*p.applied)(), true);
        EXPECT_EQ(QApplication::focusWidget(), &box()) << "a pressed tool hands the caret back";
    }
    key(Qt::Key_F10);
    key(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), &box());

    key(Qt::Key_F10);
    key(Qt::Key_End);
    key(Qt::Key_Space);
    EXPECT_EQ(box().SelBullet(), true) << "a bullet list from the keyboard";
    key(Qt::Key_F10);
    key(Qt::Key_Home);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    QMenu *variables = toolBar().band(QStringLiteral("popVariable"));
    QTimer::singleShot(50, variables, [variables] {
        QTest::keyClick(variables, Qt::Key_Down);
        QTest::keyClick(variables, Qt::Key_Return);
    });
    key(Qt::Key_Down);
    EXPECT_TRUE(box().Text().startsWith(QStringLiteral("<#DATE#>"))) << box().Text().toStdString();

    QMenu *context = toolBar().band(QStringLiteral("popMenu"));
    for (const auto &[k, m] : {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        box().setFocus();
        key(k, m);
        ASSERT_TRUE(context->isVisible());
        const QPoint caret = box().viewport()->mapToGlobal(box().cursorRect().bottomLeft());
        EXPECT_LT((context->pos() - caret).manhattanLength(), 40) << "opens at the caret";
        context->hide();
    }
}

TEST_F(EditorCommands, ClicksThatDoNothingStillFocusTheText)
{
    type(QStringLiteral("Text"));
    for (const char *id : {"FilePlaceHolder", "EditCopy", "NoSuchTool"}) {
        toolBar().combo(QStringLiteral("FormatFont"))->setFocus();
        Q_EMIT toolBar().ToolClick(QString::fromLatin1(id));
        EXPECT_EQ(QApplication::focusWidget(), &box()) << id;
    }
    EXPECT_EQ(box().Text(), QStringLiteral("Text"));
}

class DocumentFiles : public EditorFixture
{
protected:
    static QString fixture(const char *name) { return QStringLiteral(ORV_FIXTURES_DIR "/rtf/") + QLatin1String(name); }
    void expectOnlyMessage(const char *text, const char *caption, MessageIcon icon, MessageButtons buttons)
    {
        ASSERT_EQ(services.messages.size(), 1);
        EXPECT_EQ(services.messages[0].text, QString::fromUtf8(text));
        EXPECT_EQ(services.messages[0].caption, QString::fromUtf8(caption));
        EXPECT_EQ(services.messages[0].icon, icon);
        EXPECT_EQ(services.messages[0].buttons, buttons);
    }
    QTemporaryDir dir;
};

TEST_F(DocumentFiles, OpenOnAnEmptyBoxAsksNothingAndLoadsTheFile)
{
    services.fileAnswers.enqueue(fixture("libreoffice-brief.rtf"));
    click("FileOpen");
    EXPECT_TRUE(services.messages.isEmpty());
    ASSERT_EQ(services.fileDialogs.size(), 1);
    const FileDialogRequest &request = services.fileDialogs[0].request;
    EXPECT_FALSE(services.fileDialogs[0].save);
    EXPECT_EQ(request.title, QString::fromUtf8("Öffnen"));
    EXPECT_EQ(request.flags, 0x385804u);
    EXPECT_EQ(request.filter, QStringLiteral("RTF Format (*.rtf)|*.rtf"));
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.fileName, QString());
    EXPECT_TRUE(box().Text().startsWith(QString::fromUtf8("Köln, <#DATE#>")));
    EXPECT_EQ(services.pointerHistory, QList<int>({HourglassPointer, DefaultPointer}));
}

TEST_F(DocumentFiles, OpenOverTextAsksFirst)
{
    const struct
    {
        const char *name;
        MessageAnswer answer;
        std::optional<QString> file;
        int dialogs;
        QString complaint;
    } cases[] = {{"No keeps the text", MessageAnswer::No, std::nullopt, 0, {}},
                 {"Yes then cancel keeps the text", MessageAnswer::Yes, std::nullopt, 1, {}},
                 {"Yes then a file that is no RTF", MessageAnswer::Yes, fixture("libreoffice-brief.txt"), 1,
                  QStringLiteral("Die Datei „libreoffice-brief.txt“ ist kein lesbares RTF-Dokument und wurde nicht "
                                 "geöffnet.")}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        services.fileDialogs.clear();
        box().setText(QStringLiteral("Entwurf"));
        services.messageAnswers.enqueue(c.answer);
        if (c.dialogs)
            services.fileAnswers.enqueue(c.file);
        click("FileOpen");
        if (!c.complaint.isEmpty()) {
            ASSERT_EQ(services.messages.size(), 2);
            EXPECT_EQ(services.messages.takeLast().text, c.complaint);
        }
        expectOnlyMessage("Möchten Sie den aktuellen Text wirklich verwerfen?", "Systemmeldung...",
                          MessageIcon::Question, MessageButtons::YesNo);
        EXPECT_EQ(services.fileDialogs.size(), c.dialogs);
        EXPECT_EQ(box().Text(), QStringLiteral("Entwurf"));
        EXPECT_EQ(services.mousePointer(), DefaultPointer);
    }
}

TEST_F(DocumentFiles, SavingAnEmptyDocumentOnlyExplains)
{
    click("FileSave");
    expectOnlyMessage("Dieses Dokument ist leer und kann daher nicht als Vorlage gespeichert werden.",
                      "Systemmeldung... ", MessageIcon::Information, MessageButtons::Ok);
    EXPECT_TRUE(services.fileDialogs.isEmpty());
}

TEST_F(DocumentFiles, SaveOffersUnbenanntAddsTheExtensionAndTheOpenDialogRemembersTheName)
{
    box().setText(QStringLiteral("  \n "));
    const QString path = dir.filePath(QStringLiteral("unbenannt"));
    services.fileAnswers.enqueue(path);
    click("FileSave");
    ASSERT_EQ(services.fileDialogs.size(), 1);
    const FileDialogRequest &request = services.fileDialogs[0].request;
    EXPECT_TRUE(services.fileDialogs[0].save);
    EXPECT_EQ(request.title, QStringLiteral("Speichern"));
    EXPECT_EQ(request.flags, 0x384806u);
    EXPECT_EQ(request.fileName, QStringLiteral("unbenannt"));
    QFile saved(path + QStringLiteral(".rtf"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("{\\rtf1"));
    EXPECT_EQ(services.pointerHistory, QList<int>({HourglassPointer, DefaultPointer}));

    services.messageAnswers.enqueue(MessageAnswer::Yes);
    click("FileOpen");
    ASSERT_EQ(services.fileDialogs.size(), 2);
    EXPECT_EQ(services.fileDialogs[1].request.fileName, path + QStringLiteral(".rtf"));
}

TEST_F(DocumentFiles, TextColourChangesOnlyWhenAColourIsChosen)
{
    type(QStringLiteral("Farbe"));
    select(0, 5);
    const std::optional<QColor> before = box().SelColor();
    click("FormatFontColor");
    EXPECT_EQ(box().SelColor(), before);
    services.colorAnswers.enqueue(QColor(0xC0, 0x10, 0x20));
    click("FormatFontColor");
    EXPECT_EQ(box().SelColor(), QColor(0xC0, 0x10, 0x20));
    EXPECT_EQ(services.colorDialogTitles, QStringList(2, QString::fromUtf8("Textfarbe wählen")));
    EXPECT_TRUE(services.messages.isEmpty());
}

} // namespace
} // namespace OrvVelmora::Testing
