#include "ScriptedPlatformServices.h"

#include "controls/richtext/RichTextBox.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

class RichTextBoxTest : public ::testing::Test
{
protected:
    RichTextBoxTest()
        : m_scope(m_services)
    {
        m_box.resize(400, 300);
    }

    /// Two paragraphs: "plain bold" with "bold" bold, then "second" centred.
    void fillSample()
    {
        ASSERT_TRUE(m_box.setTextRTF(QStringLiteral("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                                                    "\\f0\\fs20 plain {\\b bold}\\par\\qc\\f1\\fs21 second\\par}")));
    }
    void select(int from, int to)
    {
        QTextCursor cursor = m_box.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_box.setTextCursor(cursor);
    }

    ScriptedPlatformServices m_services;
    ScriptedPlatformServices::Scope m_scope;
    RichTextBox m_box;
};

// Mixed selections report no single value; setters change the selection only.
TEST_F(RichTextBoxTest, CharacterPropertiesOfTheSelection)
{
    fillSample();
    select(8, 14);
    EXPECT_EQ(m_box.SelBold(), std::nullopt);
    EXPECT_EQ(m_box.SelFontName(), std::nullopt);
    EXPECT_EQ(m_box.SelFontSize(), std::nullopt);
    select(12, 12);
    EXPECT_EQ(m_box.SelFontSize(), 10.5);
    select(0, 5);
    EXPECT_EQ(m_box.SelFontName(), QStringLiteral("Arial"));
    m_box.setSelItalic(true);
    m_box.setSelFontName(QStringLiteral("Times"));
    m_box.setSelFontSize(14);
    m_box.setSelColor(QColor(10, 20, 30));
    EXPECT_EQ(m_box.SelItalic(), true);
    EXPECT_EQ(m_box.SelFontName(), QStringLiteral("Times"));
    EXPECT_EQ(m_box.SelFontSize(), 14.0);
    EXPECT_EQ(m_box.SelColor(), QColor(10, 20, 30));
    select(13, 14);
    EXPECT_EQ(m_box.SelItalic(), false);
    EXPECT_EQ(m_box.SelFontName(), QStringLiteral("Courier New"));
    select(0, 14);
    EXPECT_EQ(m_box.SelColor(), std::nullopt);
}

// With only a caret, the setting is for what is typed next.
TEST_F(RichTextBoxTest, CaretSettingsApplyToTypedText)
{
    fillSample();
    select(2, 2);
    m_box.setSelUnderline(true);
    m_box.setSelFontSize(16);
    EXPECT_EQ(m_box.SelUnderline(), true);
    EXPECT_EQ(m_box.SelFontSize(), 16.0);
    QTest::keyClicks(&m_box, QStringLiteral("xy"));
    EXPECT_EQ(m_box.Text(), QStringLiteral("plxyain bold\nsecond"));
    select(2, 4);
    EXPECT_EQ(m_box.SelUnderline(), true);
    EXPECT_EQ(m_box.SelFontSize(), 16.0);
    select(4, 5);
    EXPECT_EQ(m_box.SelUnderline(), false);
}

TEST_F(RichTextBoxTest, ParagraphPropertiesFollowTheSelectedParagraphs)
{
    fillSample();
    select(1, 1);
    EXPECT_EQ(m_box.SelAlignment(), 0);
    select(12, 12);
    EXPECT_EQ(m_box.SelAlignment(), 2);
    select(1, 12);
    EXPECT_EQ(m_box.SelAlignment(), std::nullopt);
    m_box.setSelAlignment(1);
    EXPECT_EQ(m_box.SelAlignment(), 1);

    m_box.setSelIndent(600);
    EXPECT_EQ(m_box.SelIndent(), 600);
    select(12, 12);
    m_box.setSelIndent(300);
    select(1, 12);
    EXPECT_EQ(m_box.SelIndent(), std::nullopt);

    EXPECT_EQ(m_box.SelBullet(), false);
    select(12, 12);
    m_box.setSelBullet(true);
    EXPECT_EQ(m_box.SelBullet(), true);
    EXPECT_EQ(m_box.SelIndent(), 300);
    select(1, 12);
    EXPECT_EQ(m_box.SelBullet(), std::nullopt);
    m_box.setSelBullet(true);
    EXPECT_EQ(m_box.SelBullet(), true);
    EXPECT_EQ(m_box.document()->firstBlock().textList(), m_box.document()->lastBlock().textList());
    m_box.setSelBullet(false);
    EXPECT_EQ(m_box.SelBullet(), false);
    EXPECT_EQ(m_box.document()->lastBlock().blockFormat().indent(), 0);
}

TEST_F(RichTextBoxTest, LengthsAreTwips)
{
    m_box.setBulletIndent(300);
    EXPECT_EQ(m_box.BulletIndent(), 300);
    EXPECT_DOUBLE_EQ(m_box.document()->indentWidth(), 20.0);
    m_box.setRightMargin(6000);
    EXPECT_EQ(m_box.RightMargin(), 6000);
    EXPECT_EQ(m_box.lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_EQ(m_box.lineWrapColumnOrWidth(), 400);
    m_box.setRightMargin(-480);
    EXPECT_EQ(m_box.lineWrapMode(), QTextEdit::WidgetWidth);
}

// Regression: replacing the text over a bold selection used to carry the bold
// into the new text, and announced the change while the caret had no document.
TEST_F(RichTextBoxTest, PlainTextReplacementStartsFromDefaultFormatAndStaysReadable)
{
    fillSample();
    select(6, 10);
    std::optional<bool> boldSeenInHandler;
    const QObject listening; // the handler writes to this test's stack: it goes when the test ends
    QObject::connect(&m_box, &RichTextBox::SelChange, &listening, [&] { boldSeenInHandler = m_box.SelBold(); });
    m_box.setText(QStringLiteral("neu"));
    select(0, 3);
    EXPECT_EQ(m_box.SelBold(), false);
    EXPECT_EQ(boldSeenInHandler, std::optional<bool>(false));
}

// Content and files round trip as RTF; what is not RTF leaves the text alone.
TEST_F(RichTextBoxTest, RtfContentAndFilesRoundTripAndRefuseWhatIsNotRtf)
{
    QTemporaryDir dir;
    fillSample();
    const QString rtf = m_box.TextRTF();
    EXPECT_TRUE(rtf.startsWith(QLatin1String("{\\rtf1")));
    const QString path = dir.filePath(QStringLiteral("unbenannt"));
    ASSERT_TRUE(m_box.SaveFile(path));
    EXPECT_FALSE(m_box.SaveFile(dir.filePath(QStringLiteral("missing/dir/x.rtf"))));
    QFile notRtf(dir.filePath(QStringLiteral("plain.rtf")));
    ASSERT_TRUE(notRtf.open(QIODevice::WriteOnly) && notRtf.write("Hello") == 5);
    notRtf.close();

    const std::function<bool()> loads[] = {[&] { return m_box.setTextRTF(rtf); }, [&] { return m_box.LoadFile(path); }};
    for (const auto &load : loads) {
        m_box.setText(QStringLiteral("other"));
        ASSERT_TRUE(load());
        EXPECT_EQ(m_box.Text(), QStringLiteral("plain bold\nsecond"));
        select(6, 10);
        EXPECT_EQ(m_box.SelBold(), true);
    }
    EXPECT_FALSE(m_box.setTextRTF(QStringLiteral("just text")));
    EXPECT_FALSE(m_box.LoadFile(notRtf.fileName()));
    EXPECT_FALSE(m_box.LoadFile(dir.filePath(QStringLiteral("absent.rtf"))));
    EXPECT_EQ(m_box.Text(), QStringLiteral("plain bold\nsecond"));
}

// An RTF payload replaces the selection with its formatted text; one without
// an RTF header goes in as characters in the formatting at the caret, which
// is how placeholders reach the text.
// The source is kept between calls; every kind of change must show in it.
TEST_F(RichTextBoxTest, RtfSourceFollowsEveryChange)
{
    fillSample();
    const QString before = m_box.TextRTF();
    EXPECT_EQ(m_box.TextRTF(), before);
    select(0, 5);
    m_box.setSelItalic(true);
    const QString italic = m_box.TextRTF();
    EXPECT_NE(italic, before);
    select(0, 0);
    QTest::keyClicks(&m_box, QStringLiteral("x"));
    EXPECT_TRUE(m_box.TextRTF().contains(QLatin1String("xplain")));
    QFont font = m_box.font();
    font.setFamily(QStringLiteral("Courier New"));
    m_box.setFont(font);
    m_box.setText(QString());
    EXPECT_TRUE(m_box.TextRTF().contains(QLatin1String("Courier New")));
}

TEST_F(RichTextBoxTest, SelRtfReplacesTheSelection)
{
    const struct
    {
        const char *name;
        int from, to;
        const char *payload, *text;
        int caret;
        const char *inSelRtf;
        std::optional<bool> (RichTextBox::*read)() const;
    } cases[] = {
        {"rtf", 0, 5, "{\\rtf1{\\i new}}", "new bold\nsecond", 3, "\\i new", &RichTextBox::SelItalic},
        {"characters", 8, 8, "<#DATE#>", "plain bo<#DATE#>ld\nsecond", 16, "<#DATE#>", &RichTextBox::SelBold},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fillSample();
        select(c.from, c.to);
        m_box.setSelRTF(QString::fromLatin1(c.payload));
        EXPECT_EQ(m_box.Text(), QString::fromLatin1(c.text));
        EXPECT_EQ(m_box.textCursor().position(), c.caret);
        select(c.from, c.caret);
        EXPECT_EQ((m_box.*c.read)(), true);
        EXPECT_TRUE(m_box.SelRTF().contains(QLatin1String(c.inSelRtf)));
    }
}

TEST_F(RichTextBoxTest, CopyAndCutOfferRtfPlainAndHtml)
{
    fillSample();
    select(6, 10);
    m_box.Copy();
    ASSERT_EQ(m_services.clipboard.keys(),
              (QStringList{QLatin1String(kMimeHtml), QLatin1String(kMimePlain), QLatin1String(kMimeRtf)}));
    EXPECT_EQ(m_services.clipboard.value(QLatin1String(kMimePlain)), QByteArray("bold"));
    EXPECT_TRUE(m_services.clipboard.value(QLatin1String(kMimeRtf)).startsWith("{\\rtf1"));
    EXPECT_TRUE(m_services.clipboard.value(QLatin1String(kMimeRtf)).contains("\\b bold"));
    EXPECT_TRUE(m_services.clipboard.value(QLatin1String(kMimeHtml)).contains("font-weight:bold\">bold</span>"));

    select(0, 6);
    m_box.Cut();
    EXPECT_EQ(m_box.Text(), QStringLiteral("bold\nsecond"));
    EXPECT_EQ(m_services.clipboard.value(QLatin1String(kMimePlain)), QByteArray("plain "));
}

// HTML as LibreOffice Writer and Chromium put it on the clipboard (captured
// from both): the formatting the editor knows is kept, links become text,
// pictures go, no word is lost.
TEST_F(RichTextBoxTest, PastedHtmlFromWordProcessorAndBrowserKeepsItsFormatting)
{
    struct Expected
    {
        const char *words;
        std::function<bool(const QTextCharFormat &)> format;
    };
    const auto bold = [](const QTextCharFormat &f) { return f.fontWeight() >= QFont::Bold; };
    const auto italic = [](const QTextCharFormat &f) { return f.fontItalic(); };
    const auto underlined = [](const QTextCharFormat &f) { return f.fontUnderline(); };
    const auto plainLink = [](const QTextCharFormat &f) {
        return !f.isAnchor() && !f.fontUnderline() && f.foreground().color() != QColor(0, 0, 128);
    };
    const struct
    {
        const char *file;
        QColor colour;
        const char *coloured;
        const char *bulleted;
        QStringList gone;
    } samples[] = {
        {"libreoffice-clipboard.html", QColor(0xc9, 0x21, 0x1e), "rot", "Frische Brötchen", {}},
        {"chromium-clipboard.html",
         QColor(197, 34, 31),
         "Nur solange der Vorrat reicht!",
         "Rote Grütze",
         {QString(QChar::ObjectReplacementCharacter)}},
    };
    for (const auto &sample : samples) {
        SCOPED_TRACE(sample.file);
        QFile file(QStringLiteral(ORV_SOURCE_DIR "/tests/controls/richtext/data/") + QLatin1String(sample.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        m_box.setText(QString());
        m_services.clipboard = {{QString::fromLatin1(kMimeHtml), file.readAll()}}; // HTML alone, as a browser may
        m_box.Paste();
        const QString text = m_box.Text();
        for (const Expected &e :
             {Expected{"fett", bold}, Expected{"kursiv", italic}, Expected{"unterstrichen", underlined},
              Expected{"unserer Angebotsseite", plainLink}}) {
            SCOPED_TRACE(e.words);
            const qsizetype at = text.indexOf(QString::fromUtf8(e.words));
            ASSERT_GE(at, 0) << text.toStdString();
            select(int(at), int(at + qstrlen(e.words)));
            EXPECT_TRUE(e.format(m_box.textCursor().charFormat()));
        }
        const qsizetype coloured = text.indexOf(QString::fromUtf8(sample.coloured));
        ASSERT_GE(coloured, 0);
        select(int(coloured) + 1, int(coloured) + 2);
        EXPECT_EQ(m_box.textCursor().charFormat().foreground().color(), sample.colour);
        const qsizetype item = text.indexOf(QString::fromUtf8(sample.bulleted));
        ASSERT_GE(item, 0);
        select(int(item), int(item));
        EXPECT_EQ(m_box.SelBullet(), true);
        for (const QString &gone : sample.gone)
            EXPECT_FALSE(text.contains(gone));
    }
}

TEST_F(RichTextBoxTest, KeyboardClipboardGoesThroughPlatformServices)
{
    m_box.setText(QStringLiteral("word"));
    m_box.selectAll();
    QTest::keyClick(&m_box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_services.clipboard.value(QLatin1String(kMimePlain)), QByteArray("word"));
    m_box.moveCursor(QTextCursor::End);
    QTest::keyClick(&m_box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(m_box.Text(), QStringLiteral("wordword"));
    m_box.Undo();
    EXPECT_EQ(m_box.Text(), QStringLiteral("word"));
}

TEST_F(RichTextBoxTest, ReportsSelectionChangesAndMouseButtons)
{
    m_box.setText(QStringLiteral("some text"));
    m_box.show();
    QSignalSpy selection(&m_box, &RichTextBox::SelChange);
    QSignalSpy down(&m_box, &RichTextBox::MouseDown);
    QSignalSpy up(&m_box, &RichTextBox::MouseUp);

    select(2, 2);
    select(2, 2);
    select(2, 5);
    EXPECT_EQ(selection.count(), 2);
    ASSERT_TRUE(m_box.setTextRTF(QStringLiteral("{\\rtf1 x}")));
    EXPECT_EQ(selection.count(), 3);

    QTest::mouseClick(m_box.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(5, 5));
    ASSERT_EQ(down.count(), 1);
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.first().at(0).toInt(), 2);
    EXPECT_EQ(up.first().at(1).toInt(), 1);
    QTest::mouseClick(m_box.viewport(), Qt::LeftButton);
    EXPECT_EQ(down.last().at(0).toInt(), 1);
}

} // namespace
