// The editor's public properties, their change reports, the saved properties
// with their defaults, the start state and the layout.
#include "EditorFixture.h"

#include "editor/PropertyBag.h"
#include "editor/TitleStrip.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>

#include <functional>

namespace OrvVelmora::Testing {
namespace {

using EditorProperties = EditorFixture;

struct PropertyCase
{
    const char *key;
    std::function<void(OrvRtfCtl32 &)> write;
    std::function<QVariant(const OrvRtfCtl32 &)> read;
    QVariant expected;
};

QFont serifFont()
{
    QFont font(QStringLiteral("DejaVu Serif"), 17);
    font.setItalic(true);
    return font;
}

const std::vector<PropertyCase> &propertyCases()
{
    static const std::vector<PropertyCase> cases = {
        {"CaptionForeColor", [](OrvRtfCtl32 &c) { c.setCaptionForeColor(0x00FF00); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.CaptionForeColor().value()); }, QVariant(0x00FF00u)},
        {"CaptionBackColor", [](OrvRtfCtl32 &c) { c.setCaptionBackColor(QColor(0x10, 0x20, 0x30)); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.CaptionBackColor().value()); }, QVariant(0x302010u)},
        {"CaptionBackColorTo", [](OrvRtfCtl32 &c) { c.setCaptionBackColorTo(0x80000008u); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.CaptionBackColorTo().value()); }, QVariant(0x80000008u)},
        {"BackColorWorkspace", [](OrvRtfCtl32 &c) { c.setBackColorWorkspace(0xEEEEEE); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.BackColorWorkspace().value()); }, QVariant(0xEEEEEEu)},
        {"CaptionFont", [](OrvRtfCtl32 &c) { c.setCaptionFont(serifFont()); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.CaptionFont()); }, QVariant(serifFont())},
        {"Titel", [](OrvRtfCtl32 &c) { c.setTitel(QStringLiteral("Nachricht")); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.Titel()); }, QVariant(QStringLiteral("Nachricht"))},
        {"BackColor", [](OrvRtfCtl32 &c) { c.setBackColor(0x123456); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.BackColor().value()); }, QVariant(0x123456u)},
        {"Text", [](OrvRtfCtl32 &c) { c.setText(QStringLiteral("Zeile 1\nZeile 2")); },
         [](const OrvRtfCtl32 &c) { return QVariant(c.Text()); }, QVariant(QStringLiteral("Zeile 1\nZeile 2"))},
    };
    return cases;
}

TEST_F(EditorProperties, EveryWriteIsReportedUnderItsKeyAndReadsBack)
{
    QSignalSpy reports(editor.get(), &OrvRtfCtl32::PropertyChanged);
    for (const PropertyCase &c : propertyCases()) {
        SCOPED_TRACE(c.key);
        reports.clear();
        c.write(*editor);
        ASSERT_EQ(reports.size(), 1);
        EXPECT_EQ(reports.at(0).at(0).toString(), QString::fromLatin1(c.key));
        EXPECT_EQ(c.read(*editor), c.expected);
    }
    EXPECT_EQ(editor->lblTitle()->text(), QStringLiteral("Nachricht"));
    EXPECT_EQ(editor->lblTitle()->palette().color(QPalette::WindowText), QColor(0, 0xFF, 0));
    EXPECT_EQ(box().BackColor(), QColor(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(toolBar().BackColor().value(), 0x123456u);
}

TEST_F(EditorProperties, SavedValuesComeBackInANewControl)
{
    for (const PropertyCase &c : propertyCases())
        c.write(*editor);
    PropertyBag bag;
    editor->WriteProperties(bag);
    EXPECT_EQ(bag.values().size(), 8);

    OrvRtfCtl32 restored;
    restored.ReadProperties(bag);
    for (const PropertyCase &c : propertyCases())
        EXPECT_EQ(c.read(restored), c.expected) << c.key;
    // A saved caption colour reaches the label before the font is read.
    EXPECT_EQ(restored.lblTitle()->palette().color(QPalette::WindowText), QColor(0, 0xFF, 0));
    EXPECT_EQ(restored.mainRTF()->BackColor(), QColor(0xEE, 0xEE, 0xEE));
}

// Missing keys, and saved values of the wrong type, read as the defaults;
// values equal to their defaults are not written.
TEST_F(EditorProperties, DefaultsLeaveNoKeysAndMissingOrWrongKeysReadAsDefaults)
{
    const PropertyBag wrongTypes({{QStringLiteral("CaptionFont"), QStringLiteral("kein Font")},
                                  {QStringLiteral("BackColor"), QStringLiteral("rot")}});
    for (const PropertyBag &saved : {PropertyBag(), wrongTypes}) {
        for (const PropertyCase &c : propertyCases())
            c.write(*editor);
        editor->ReadProperties(saved);
        EXPECT_EQ(editor->CaptionForeColor().value(), 0u);
        EXPECT_EQ(editor->CaptionBackColor().value(), 0u);
        EXPECT_EQ(editor->CaptionBackColorTo().value(), 0u);
        EXPECT_EQ(editor->BackColorWorkspace().value(), 0x80000005u);
        EXPECT_EQ(editor->CaptionFont(), QApplication::font());
        EXPECT_EQ(editor->Titel(), QStringLiteral("Titel"));
        EXPECT_EQ(editor->BackColor().value(), 0x8000000Fu);
        EXPECT_EQ(editor->Text(), QString());
        // The system colour code paints as the palette's colour.
        EXPECT_EQ(box().BackColor(), QApplication::palette().color(QPalette::Base));
    }
    editor->ReadProperties(PropertyBag({{QStringLiteral("Text"), 42}}));
    EXPECT_EQ(editor->Text(), QStringLiteral("42"));
    editor->setText(QString());

    PropertyBag bag({{QStringLiteral("Stale"), 1}, {QStringLiteral("Titel"), QStringLiteral("alt")}});
    editor->WriteProperties(bag);
    EXPECT_EQ(bag.values().keys(), QStringList({QStringLiteral("Stale")}));
}

TEST_F(EditorProperties, TitleRunsFromTheSecondColourAtTheBottomToTheFirstAtTheTop)
{
    editor->setCaptionBackColor(0x0000FF);
    editor->setCaptionBackColorTo(0xFF0000);
    const QImage title = editor->mainTitle()->grab().toImage();
    const QColor top = title.pixelColor(title.width() - 1, 0);
    const QColor bottom = title.pixelColor(title.width() - 1, title.height() - 1);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST_F(EditorProperties, FocusGoesToTheTextBox)
{
    toolBar().combo(QStringLiteral("FormatFont"))->setFocus();
    editor->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), &box());
}

} // namespace
} // namespace OrvVelmora::Testing
