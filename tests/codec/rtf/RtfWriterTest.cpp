#include "RtfTestSupport.h"

#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfEscape.h"
#include "codec/rtf/RtfQtFormats.h"
#include "codec/rtf/RtfWriter.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextList>

#include <gtest/gtest.h>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Paragraph
{
    RtfParaStyle style;
    QList<std::pair<QString, RtfCharStyle>> runs;
    bool operator==(const Paragraph &) const = default;
};

/// What a document looks like in RTF terms: paragraphs with their runs of
/// equal formatting, however the document happens to split its fragments.
QList<Paragraph> describe(const QTextDocument &document)
{
    QList<Paragraph> paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        Paragraph paragraph{RtfQtFormats::paraStyle(block, document.indentWidth()), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const RtfCharStyle style = RtfQtFormats::charStyle(it.fragment().charFormat(), document.defaultFont());
            if (!paragraph.runs.isEmpty() && paragraph.runs.last().second == style)
                paragraph.runs.last().first += it.fragment().text();
            else
                paragraph.runs.append({it.fragment().text(), style});
        }
        paragraphs.append(paragraph);
    }
    return paragraphs;
}

void prepare(QTextDocument &document)
{
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    document.setIndentWidth(20);
}

QTextCharFormat format(const std::function<void(QTextCharFormat &)> &change)
{
    QTextCharFormat result;
    change(result);
    return result;
}

struct RoundTripCase
{
    const char *name;
    std::function<void(QTextCursor &)> build;
};

class RtfRoundTrip : public ::testing::TestWithParam<RoundTripCase>
{
};

TEST_P(RtfRoundTrip, DocumentComesBackAsItWas)
{
    QTextDocument original;
    prepare(original);
    QTextCursor cursor(&original);
    GetParam().build(cursor);

    const QByteArray rtf = RtfWriter::write(original);
    QTextDocument copy;
    prepare(copy);
    ASSERT_TRUE(RtfDocumentBuilder::load(rtf, copy));
    EXPECT_EQ(copy.toPlainText(), original.toPlainText()) << rtf.constData();
    EXPECT_TRUE(describe(copy) == describe(original)) << rtf.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfRoundTrip,
    ::testing::Values(
        RoundTripCase{
            "character_formats",
            [](QTextCursor &c) {
                c.insertText(QStringLiteral("plain "));
                c.insertText(QStringLiteral("bold "), format([](auto &f) { f.setFontWeight(QFont::Bold); }));
                c.insertText(QStringLiteral("italic "), format([](auto &f) { f.setFontItalic(true); }));
                c.insertText(QStringLiteral("under "), format([](auto &f) { f.setFontUnderline(true); }));
                c.insertText(QStringLiteral("strike "), format([](auto &f) { f.setFontStrikeOut(true); }));
                c.insertText(QStringLiteral("up"),
                             format([](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }));
                c.insertText(QStringLiteral("courier "),
                             format([](auto &f) { f.setFontFamilies({QStringLiteral("Courier New")}); }));
                c.insertText(QStringLiteral("10.5 "), format([](auto &f) { f.setFontPointSize(10.5); }));
                c.insertText(QStringLiteral("red "), format([](auto &f) { f.setForeground(QColor(200, 10, 20)); }));
                c.insertText(QStringLiteral("marked"), format([](auto &f) { f.setBackground(QColor(Qt::yellow)); }));
            }},
        RoundTripCase{
            "alignment_indent_spacing",
            [](QTextCursor &c) {
                const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
                for (int i = 0; i < 4; ++i) {
                    QTextBlockFormat block;
                    block.setAlignment(alignments[i]);
                    block.setLeftMargin(RtfQtFormats::twipsToPixels(300 * i));
                    block.setRightMargin(RtfQtFormats::twipsToPixels(150));
                    block.setTextIndent(RtfQtFormats::twipsToPixels(-100 * i));
                    block.setTopMargin(RtfQtFormats::twipsToPixels(60));
                    block.setBottomMargin(RtfQtFormats::twipsToPixels(120));
                    // Single, one and a half lines, at least 15 pt, exactly 14 pt.
                    const std::pair<qreal, int> spacing[] = {
                        {100, QTextBlockFormat::SingleHeight},
                        {150, QTextBlockFormat::ProportionalHeight},
                        {RtfQtFormats::twipsToPixels(300), QTextBlockFormat::MinimumHeight},
                        {RtfQtFormats::twipsToPixels(280), QTextBlockFormat::FixedHeight}};
                    block.setLineHeight(spacing[i].first, spacing[i].second);
                    if (i > 0)
                        c.insertBlock();
                    c.setBlockFormat(block);
                    c.insertText(QStringLiteral("paragraph %1").arg(i));
                }
            }},
        RoundTripCase{"bullets_in_two_levels",
                      [](QTextCursor &c) {
                          c.insertText(QStringLiteral("intro"));
                          c.insertBlock();
                          QTextListFormat outer;
                          outer.setStyle(QTextListFormat::ListDisc);
                          QTextBlockFormat indented;
                          indented.setLeftMargin(RtfQtFormats::twipsToPixels(300));
                          c.setBlockFormat(indented);
                          c.createList(outer);
                          c.insertText(QStringLiteral("first"));
                          c.insertBlock();
                          c.insertText(QStringLiteral("second"));
                          c.insertBlock();
                          QTextListFormat inner;
                          inner.setStyle(QTextListFormat::ListCircle);
                          inner.setIndent(2);
                          c.setBlockFormat(QTextBlockFormat());
                          c.createList(inner);
                          c.insertText(QStringLiteral("nested"));
                          c.insertBlock();
                          c.setBlockFormat(QTextBlockFormat());
                          c.insertText(QStringLiteral("after"));
                      }},
        RoundTripCase{"numbers_go_on_after_a_nested_level",
                      [](QTextCursor &c) {
                          QTextListFormat numbers;
                          numbers.setStyle(QTextListFormat::ListDecimal);
                          QTextList *outer = c.createList(numbers);
                          c.insertText(QStringLiteral("first"));
                          c.insertBlock();
                          QTextListFormat letters;
                          letters.setStyle(QTextListFormat::ListUpperRoman);
                          letters.setIndent(2);
                          c.createList(letters);
                          c.insertText(QStringLiteral("inner"));
                          c.insertBlock();
                          outer->add(c.block());
                          c.insertText(QStringLiteral("second"));
                      }},
        RoundTripCase{"special_characters",
                      [](QTextCursor &c) {
                          c.insertText(
                              QStringLiteral("tab\there\u2028next line {braces} back\\slash "
                                             "\u00e4\u00f6\u00fc\u00df \u20ac \u00a0 \U0001F60A <#KD_EMail#>"));
                      }},
        RoundTripCase{"empty_paragraphs",
                      [](QTextCursor &c) {
                          c.insertBlock();
                          c.insertText(QStringLiteral("a"));
                          c.insertBlock();
                          c.insertBlock();
                      }},
        RoundTripCase{"empty_document", [](QTextCursor &) {}}),
    [](const auto &test) { return std::string(test.param.name); });

// The merge finds placeholders by text in the RTF source: a run typed in one
// format must reach the source in one piece, even when the document holds
// it as several fragments that differ only in what RTF does not write.
TEST(RtfWriter, RunOfOneFormatStaysInOnePiece)
{
    QTextDocument document;
    prepare(document);
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat boldKerned = bold;
    boldKerned.setFontKerning(false);
    cursor.insertText(QStringLiteral("Sehr geehrte "));
    cursor.insertText(QStringLiteral("<#KD_"), bold);
    cursor.insertText(QStringLiteral("VORNAME#>"), boldKerned);
    const QString longRun = QStringLiteral(" lang").repeated(2000);
    cursor.insertText(longRun, bold);

    const QByteArray rtf = RtfWriter::write(document);
    const qsizetype at = rtf.indexOf("<#KD_VORNAME#>" + longRun.toLatin1());
    ASSERT_GE(at, 0) << rtf.constData();
    EXPECT_EQ(rtf.lastIndexOf('\n', at), rtf.lastIndexOf('\n', at + 14 + longRun.size()));
}

TEST(RtfWriter, WritesAsciiWithDeclaredTablesAndUnicodeEscapes)
{
    QTextDocument document;
    prepare(document);
    QTextCursor(&document).insertText(QStringLiteral("\u20ac \U0001F60A \u00e4"),
                                      format([](auto &f) { f.setForeground(QColor(1, 2, 3)); }));
    const QByteArray rtf = RtfWriter::write(document);

    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1")) << rtf.constData();
    EXPECT_TRUE(std::all_of(rtf.cbegin(), rtf.cend(), [](char c) { return c > 0; }));
    for (const char *piece : {"{\\fonttbl{\\f0\\fcharset0 Arial;}}", "{\\colortbl ;\\red1\\green2\\blue3;}", "\\cf1",
                              "{\\u8364?}", "{\\u-10179?}{\\u-8694?}", "{\\u228?}"})
        EXPECT_TRUE(rtf.contains(piece)) << piece << "\n" << rtf.constData();
}

TEST(RtfWriter, SelectionIsWrittenAsItsOwnDocument)
{
    QTextDocument document;
    prepare(document);
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("one "));
    cursor.insertText(QStringLiteral("two three"), format([](auto &f) { f.setFontItalic(true); }));
    cursor.setPosition(4);
    cursor.setPosition(7, QTextCursor::KeepAnchor);

    QTextDocument copy;
    prepare(copy);
    ASSERT_TRUE(RtfDocumentBuilder::load(RtfWriter::write(cursor.selection(), document), copy));
    EXPECT_EQ(copy.toPlainText(), QStringLiteral("two"));
    EXPECT_TRUE(QTextCursor(copy.firstBlock()).block().begin().fragment().charFormat().fontItalic());
}

/// The words of what unrtf makes of an RTF document.
QStringList unrtfWords(const QByteArray &rtf)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("doc.rtf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return {};
    file.close();
    QProcess unrtf;
    unrtf.start(QStringLiteral("/usr/bin/unrtf"), {QStringLiteral("--html"), file.fileName()});
    if (!unrtf.waitForFinished(30000) || unrtf.exitCode() != 0)
        return {};
    return normalisedWords(
        QTextDocumentFragment::fromHtml(QString::fromUtf8(unrtf.readAllStandardOutput())).toPlainText());
}

// A reader that is not ours sees the same text in what we write.
TEST(RtfWriter, UnrtfReadsTheSameText)
{
    const QStringList sources = {
        QStringLiteral("libreoffice-brief.rtf"), QStringLiteral("wordpad_win10_bullets_numbering.rtf"),
        QStringLiteral("libreoffice-kyrillisch.rtf"), QStringLiteral("word2003_lists_table_footnote.rtf")};
    for (const QString &name : sources) {
        QTextDocument document;
        prepare(document);
        ASSERT_TRUE(RtfDocumentBuilder::load(readFixture(name), document)) << qPrintable(name);
        const QStringList ours = normalisedWords(document.toPlainText());
        const QStringList theirs = unrtfWords(RtfWriter::write(document));
        ASSERT_FALSE(theirs.isEmpty()) << qPrintable(name);
        EXPECT_EQ(wordCoverage(ours, theirs), 1.0) << qPrintable(name) << "\n" << qPrintable(theirs.join(u' '));
        EXPECT_EQ(wordCoverage(theirs, ours), 1.0) << qPrintable(name) << "\n" << qPrintable(theirs.join(u' '));
    }
}

TEST(RtfEscape, WritesEveryCharacterSoThatItShowsLiterally)
{
    const QList<std::pair<QString, QString>> cases{
        {u"plain ASCII 123 ~"_s, u"plain ASCII 123 ~"_s},
        {u"a\\b{c}d"_s, u"a\\\\b\\{c\\}d"_s},
        {u"eins\r\nzwei\ndrei\rvier"_s, u"eins\\line zwei\\line drei\\line vier"_s},
        {u"a\tb"_s, u"a\\tab b"_s},
        {u"ß€"_s, u"\\u223?\\u8364?"_s},
        {QString(QChar(0xFF71)), u"\\u-143?"_s},
        {QString::fromUcs4(U"\U0001F600"), u"\\u-10179?\\u-8704?"_s},
        {QString(QChar(0x01)), u"\\u1?"_s},
        {QStringLiteral("a\u2028b\u2029c"), u"a\\line b\\line c"_s},
        {QString(), QString()},
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(QString::fromLatin1(rtfEscape(value)), expected) << value.toStdString();
}

TEST(RtfEscape, GroupedUnicodeKeepsEachEscapeInItsOwnGroup)
{
    EXPECT_EQ(rtfEscape(QStringLiteral("\u00e4b"), RtfUnicodeStyle::Grouped), QByteArray("{\\u228?}b"));
}

} // namespace
