#include "RtfTestSupport.h"

#include "codec/rtf/MarkedPlainText.h"
#include "codec/rtf/RtfDocumentBuilder.h"
#include "codec/rtf/RtfReader.h"
#include "codec/rtf/RtfSink.h"

#include <QDir>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

/// Keeps what the reader delivers, paragraph by paragraph.
class RecordingSink final : public RtfSink
{
public:
    struct Run
    {
        QString text;
        RtfCharStyle style;
    };
    struct Paragraph
    {
        QList<Run> runs;
        RtfParaStyle style;
        QString text;
    };

    void characters(const QString &text, const RtfCharStyle &style) override
    {
        m_open.runs.append({text, style});
        m_open.text += text;
    }
    void paragraphEnd(const RtfParaStyle &style) override { close(style); }
    void documentEnd(const RtfParaStyle &style) override { close(style); }

    QString text() const
    {
        QStringList lines;
        for (const Paragraph &paragraph : paragraphs)
            lines << paragraph.text;
        return lines.join(u'\n');
    }
    /// The first run holding `word`, with its paragraph's style.
    std::optional<std::pair<Run, RtfParaStyle>> find(const QString &word) const
    {
        for (const Paragraph &paragraph : paragraphs)
            for (const Run &run : paragraph.runs)
                if (run.text.contains(word))
                    return std::make_pair(run, paragraph.style);
        return std::nullopt;
    }

    QList<Paragraph> paragraphs;

private:
    void close(const RtfParaStyle &style)
    {
        m_open.style = style;
        paragraphs.append(std::exchange(m_open, Paragraph()));
    }
    Paragraph m_open;
};

RecordingSink readAll(const QByteArray &rtf)
{
    RecordingSink sink;
    EXPECT_TRUE(RtfReader::read(rtf, sink)) << rtf.left(200).constData();
    return sink;
}

struct TextCase
{
    const char *name;
    QByteArray rtf;
    QString text;
};

class RtfReaderText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(RtfReaderText, DeliversTheText)
{
    EXPECT_EQ(readAll(GetParam().rtf).text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReaderText,
    ::testing::Values(
        TextCase{"escaped_specials", "{\\rtf1 a\\\\b\\{c\\}}", QStringLiteral("a\\b{c}")},
        TextCase{"unicode_with_fallback", "{\\rtf1\\uc1 \\u228?b}", QStringLiteral("\u00e4b")},
        TextCase{"negative_unicode", "{\\rtf1 \\u-3913?}", QString(QChar(0xF0B7))},
        TextCase{"uc2_skips_two_hex_bytes", "{\\rtf1\\uc2 \\u21512\\'8d\\'5cx}", QString(QChar(21512)) + u'x'},
        TextCase{"uc0_skips_nothing", "{\\rtf1\\uc0 \\u8364 x}", QStringLiteral("\u20acx")},
        TextCase{"uc_is_scoped_to_its_group", "{\\rtf1{\\uc0 a}\\u233?b}", QStringLiteral("a\u00e9b")},
        TextCase{"surrogate_pair", "{\\rtf1 \\u-10179?\\u-8694?}", QStringLiteral("\U0001F60A")},
        TextCase{"cp1252_hex", "{\\rtf1\\ansi\\ansicpg1252 \\'e4\\'80}", QStringLiteral("\u00e4\u20ac")},
        TextCase{"cp1252_raw_bytes", "{\\rtf1\\ansi\\ansicpg1252 caf\xe9}", QStringLiteral("caf\u00e9")},
        TextCase{"cp1250_by_font_charset", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238 Arial;}}\\f0 \\'b9\\'e8}",
                 QStringLiteral("\u0105\u010d")},
        TextCase{"cp1251", "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}", QStringLiteral("\u0410\u0431")},
        TextCase{"cp437_pc", "{\\rtf1\\pc \\'81\\'e1}", QStringLiteral("\u00fc\u00df")},
        TextCase{"cp850_pca", "{\\rtf1\\pca \\'d0}", QStringLiteral("\u00f0")},
        TextCase{"symbol_font", "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1 \\'b7\\'61}",
                 QStringLiteral("\u2022\u03b1")},
        TextCase{"double_byte_pairs", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}", QStringLiteral("\u3042")},
        TextCase{"named_characters",
                 "{\\rtf1 a\\tab b\\line c\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\~}",
                 QStringLiteral("a\tb\u2028c\u2014\u2013\u2018\u2019\u201c\u201d\u2022\u00a0")},
        TextCase{"paragraph_cell_row", "{\\rtf1 a\\par b\\cell c\\cell\\row d}", QStringLiteral("a\nb\nc\nd")},
        TextCase{"last_par_marks_the_last_paragraph", "{\\rtf1 a\\par}", QStringLiteral("a")},
        TextCase{"empty_last_paragraph", "{\\rtf1 a\\par\\par}", QStringLiteral("a\n")},
        TextCase{"skipped_destinations",
                 "{\\rtf1{\\*\\unknown x}{\\stylesheet{s}}{\\info{\\title t}}{\\header h}{\\footnote f}{\\pict 0102}"
                 "{\\*\\bkmkstart b}{\\object{\\*\\objdata 01}}y}",
                 QStringLiteral("y")},
        TextCase{"field_keeps_result", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}",
                 QStringLiteral("link")},
        TextCase{"field_instruction_without_star", "{\\rtf1{\\field{\\fldinst PAGE}{\\fldrslt 3}}}",
                 QStringLiteral("3")},
        TextCase{"binary_data_skipped", "{\\rtf1 a\\bin3 {}\\b}", QStringLiteral("ab")},
        TextCase{"hidden_text", "{\\rtf1 a{\\v hidden}b}", QStringLiteral("ab")},
        TextCase{"list_text_skipped", "{\\rtf1{\\pntext\\'b7\\tab}one{\\listtext 2.\\tab}}", QStringLiteral("one")},
        TextCase{"line_ends_ignored", "{\\rtf1 a\r\nb}", QStringLiteral("ab")},
        TextCase{"backslash_newline_is_par", "{\\rtf1 a\\\nb}", QStringLiteral("a\nb")},
        TextCase{"font_table_text_stays_there", "{\\rtf1{\\fonttbl\\f0 Arial;\\f1 Times;}x}", QStringLiteral("x")},
        TextCase{"text_after_document_ignored", "{\\rtf1 x}}more", QStringLiteral("x")},
        TextCase{"leading_bom_and_blanks", "\xEF\xBB\xBF \r\n{\\rtf1 x}", QStringLiteral("x")}),
    [](const auto &test) { return std::string(test.param.name); });

using Align = RtfParaStyle::Alignment;
using Numbering = RtfParaStyle::Numbering;
using StyleCheck = std::function<bool(const RtfCharStyle &, const RtfParaStyle &)>;

struct StyleCase
{
    const char *name;
    QByteArray rtf;
    StyleCheck holds; // on the run holding the marker "X" and its paragraph
};

class RtfReaderStyles : public ::testing::TestWithParam<StyleCase>
{
};

TEST_P(RtfReaderStyles, FormatTheMarkedRunAndParagraph)
{
    const auto marked = readAll(GetParam().rtf).find(QStringLiteral("X"));
    ASSERT_TRUE(marked.has_value());
    EXPECT_TRUE(GetParam().holds(marked->first.style, marked->second));
}

// List 7: bullets outside, lower roman inside; paragraphs name it as \\ls2.
const QByteArray kListTable = "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
                              "{\\listlevel\\levelnfc2{\\leveltext\\'02\\'01.;}}\\listid7}}"
                              "{\\*\\listoverridetable{\\listoverride\\listid7\\ls2}}";

const QByteArray kTables = "{\\fonttbl{\\f0\\fswiss Times;}{\\f1\\fnil\\fcharset0 Arial{\\*\\falt Helvetica};}}"
                           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReaderStyles,
    ::testing::Values(StyleCase{"bold_group", "{\\rtf1 a{\\b X}}",
                                [](const RtfCharStyle &s, auto &) { return s.bold && !s.italic; }},
                      StyleCase{"group_restores", "{\\rtf1{\\b a}X}",
                                [](const RtfCharStyle &s, auto &) { return !s.bold; }},
                      StyleCase{"b0_switches_off", "{\\rtf1\\b a\\b0 X}",
                                [](const RtfCharStyle &s, auto &) { return !s.bold; }},
                      StyleCase{"plain_resets", "{\\rtf1\\b\\i\\ul\\fs40 a\\plain X}",
                                [](const RtfCharStyle &s, auto &) {
                                    return !s.bold && !s.italic && !s.underline && s.halfPoints == 24;
                                }},
                      StyleCase{"italic_underline_strike", "{\\rtf1\\i\\uldb\\strike X}",
                                [](const RtfCharStyle &s, auto &) { return s.italic && s.underline && s.strike; }},
                      StyleCase{"ulnone_ends_underline", "{\\rtf1\\ul a\\ulnone X}",
                                [](const RtfCharStyle &s, auto &) { return !s.underline; }},
                      StyleCase{"underline_colour_is_not_underline", "{\\rtf1\\ulc2 X}",
                                [](const RtfCharStyle &s, auto &) { return !s.underline; }},
                      StyleCase{"font_size_half_points", "{\\rtf1\\fs21 X}",
                                [](const RtfCharStyle &s, auto &) { return s.halfPoints == 21; }},
                      StyleCase{"absurd_font_size_clamped", "{\\rtf1\\fs99999999999 X}",
                                [](const RtfCharStyle &s, auto &) { return s.halfPoints == 3276; }},
                      StyleCase{"default_font", "{\\rtf1\\deff1" + kTables + " X}",
                                [](const RtfCharStyle &s, auto &) { return s.fontFamily == QLatin1String("Arial"); }},
                      StyleCase{"chosen_font", "{\\rtf1\\deff1" + kTables + "\\f0 X}",
                                [](const RtfCharStyle &s, auto &) { return s.fontFamily == QLatin1String("Times"); }},
                      StyleCase{"colour", "{\\rtf1" + kTables + "\\cf1 X}",
                                [](const RtfCharStyle &s, auto &) { return s.color == qRgb(255, 0, 0); }},
                      StyleCase{"auto_colour", "{\\rtf1" + kTables + "\\cf1 a\\cf0 X}",
                                [](const RtfCharStyle &s, auto &) { return !s.color; }},
                      StyleCase{"colour_out_of_table", "{\\rtf1" + kTables + "\\cf99 X}",
                                [](const RtfCharStyle &s, auto &) { return !s.color; }},
                      StyleCase{"highlight", "{\\rtf1" + kTables + "\\highlight2 X}",
                                [](const RtfCharStyle &s, auto &) { return s.background == qRgb(0, 0, 255); }},
                      StyleCase{"superscript", "{\\rtf1\\super X}",
                                [](const RtfCharStyle &s,
                                   auto &) { return s.vertical == RtfCharStyle::Vertical::Superscript; }},
                      StyleCase{
                          "nosupersub", "{\\rtf1\\sub a\\nosupersub X}",
                          [](const RtfCharStyle &s, auto &) { return s.vertical == RtfCharStyle::Vertical::Normal; }},
                      StyleCase{"centred", "{\\rtf1\\qc X}",
                                [](auto &, const RtfParaStyle &p) { return p.alignment == Align::Center; }},
                      StyleCase{"right", "{\\rtf1\\qr X\\par}",
                                [](auto &, const RtfParaStyle &p) { return p.alignment == Align::Right; }},
                      StyleCase{"justified", "{\\rtf1\\qj X}",
                                [](auto &, const RtfParaStyle &p) { return p.alignment == Align::Justify; }},
                      StyleCase{"pard_resets", "{\\rtf1\\qc\\li300 a\\par\\pard X}",
                                [](auto &,
                                   const RtfParaStyle &p) { return p.alignment == Align::Left && p.leftIndent == 0; }},
                      StyleCase{"properties_carry_to_next_paragraph", "{\\rtf1\\qc a\\par X}",
                                [](auto &, const RtfParaStyle &p) { return p.alignment == Align::Center; }},
                      StyleCase{"indents", "{\\rtf1\\li720\\ri100\\fi-360\\sb120\\sa240 X}",
                                [](auto &, const RtfParaStyle &p) {
                                    return p.leftIndent == 720 && p.rightIndent == 100 && p.firstLineIndent == -360 &&
                                        p.spaceBefore == 120 && p.spaceAfter == 240;
                                }},
                      StyleCase{"absurd_indent_clamped", "{\\rtf1\\li99999999999 X}",
                                [](auto &, const RtfParaStyle &p) { return p.leftIndent == 31680; }},
                      StyleCase{"list_override_is_bullet", "{\\rtf1\\ls1\\ilvl2 X}",
                                [](auto &, const RtfParaStyle &p) { return p.listItem && p.level == 2; }},
                      StyleCase{"legacy_bullet", "{\\rtf1{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}X}",
                                [](auto &, const RtfParaStyle &p) { return p.listItem; }},
                      StyleCase{"legacy_numbering", "{\\rtf1{\\*\\pn\\pnlvlbody\\pndec}X}",
                                [](auto &, const RtfParaStyle &p) { return p.numbering == Numbering::Decimal; }},
                      StyleCase{"legacy_letters", "{\\rtf1{\\*\\pn\\pnlvlbody\\pnucltr}X}",
                                [](auto &, const RtfParaStyle &p) { return p.numbering == Numbering::UpperLetter; }},
                      StyleCase{"list_table_level_numbering", kListTable + "\\ls2\\ilvl1 X}",
                                [](auto &, const RtfParaStyle &p) {
                                    return p.numbering == Numbering::LowerRoman && p.level == 1;
                                }},
                      StyleCase{"list_table_bullet_level", kListTable + "\\ls2 X}",
                                [](auto &, const RtfParaStyle &p) { return p.numbering == Numbering::Bullet; }},
                      StyleCase{"legacy_continuation_has_no_bullet", "{\\rtf1{\\*\\pn\\pnlvlcont}X}",
                                [](auto &, const RtfParaStyle &p) { return !p.listItem; }},
                      StyleCase{"pard_ends_list", "{\\rtf1\\ls1 a\\par\\pard X}",
                                [](auto &, const RtfParaStyle &p) { return !p.listItem; }}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(RtfReader, RefusesWhatIsNotRtf)
{
    RecordingSink sink;
    for (const QByteArray &bytes :
         {QByteArray("<#DATE#>"), QByteArray(), QByteArray("rtf1 {\\rtf1 x}"), QByteArray("{\\rt")})
        EXPECT_FALSE(RtfReader::read(bytes, sink)) << bytes.constData();
    RtfReader::Limits small;
    small.maxInputBytes = 10;
    EXPECT_FALSE(RtfReader::read("{\\rtf1 0123456789}", sink, small));
    EXPECT_TRUE(sink.paragraphs.isEmpty());
}

TEST(RtfReader, DocumentLoadBuildsListsAndKeepsFailedLoadsAway)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("before"));
    EXPECT_FALSE(RtfDocumentBuilder::load("not rtf", document));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("before"));

    ASSERT_TRUE(RtfDocumentBuilder::load("{\\rtf1 a\\par\\ls1 b\\par c\\par\\pard d\\par}", document));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a\nb\nc\nd"));
    const QTextBlock b = document.findBlockByNumber(1);
    ASSERT_NE(b.textList(), nullptr);
    EXPECT_EQ(b.textList(), document.findBlockByNumber(2).textList());
    EXPECT_EQ(document.findBlockByNumber(0).textList(), nullptr);
    EXPECT_EQ(document.findBlockByNumber(3).textList(), nullptr);
}

// The plain part of a mail shows the markers: numbers go on counting after
// a deeper level and restart only in a new list.
TEST(RtfReader, ListMarkersReachThePlainText)
{
    const struct
    {
        const char *name;
        QByteArray rtf;
        QString expected;
    } cases[] = {
        {"nested",
         "{\\rtf1{\\*\\pn\\pnlvlbody\\pndec}a\\par{\\*\\pn\\pnlvlbody\\pnlcltr}\\ilvl1 b\\par c\\par"
         "\\pard{\\*\\pn\\pnlvlbody\\pndec}d\\par\\pard e\\par{\\*\\pn\\pnlvlbody\\pndec}f}",
         QStringLiteral("1. a\n  a. b\n  b. c\n2. d\ne\n1. f")},
        {"kind_changes", kListTable + "\\ls2 a\\par\\pard{\\*\\pn\\pnlvlbody\\pnucrm}b\\par c}",
         QStringLiteral("\u2022 a\nI. b\nII. c")},
        {"wordpad", readFixture(QStringLiteral("wordpad_win10_bullets_numbering.rtf")),
         QStringLiteral("\u2022 Bullet 2\nParagraph 2\n1. List 1\n2. List 2")},
        {"word", readFixture(QStringLiteral("word2010_lists_german.rtf")),
         QStringLiteral("1. one\n2. two\n3. three\n\nA short unordered list:\n\u2022 first")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTextDocument document;
        if (c.rtf.isEmpty() && qEnvironmentVariable("CI") != QLatin1String("true"))
            continue;
        ASSERT_TRUE(RtfDocumentBuilder::load(c.rtf, document));
        const QString plain = MarkedPlainText::of(document);
        EXPECT_TRUE(plain.contains(c.expected)) << qPrintable(plain);
    }
}

// Every fixture with a LibreOffice text beside it: the words agree. Headers,
// footnotes and list numbers that LibreOffice prints and the editor does not
// show account for the small difference allowed.
TEST(RtfReaderFixtures, TextMatchesLibreOfficeExtraction)
{
    const QStringList names = QDir(rtfFixtureDir()).entryList({QStringLiteral("*.rtf")});
    ASSERT_GE(names.size(), 20);
    int compared = 0;
    for (const QString &name : names) {
        QFile expectedFile(rtfFixtureDir() + name.chopped(4) + QStringLiteral(".txt"));
        if (!expectedFile.open(QIODevice::ReadOnly))
            continue;
        QTextDocument document;
        ASSERT_TRUE(RtfDocumentBuilder::load(readFixture(name), document)) << qPrintable(name);
        const QStringList expected = normalisedWords(QString::fromUtf8(expectedFile.readAll()));
        const QStringList actual = normalisedWords(document.toPlainText());
        EXPECT_GE(wordCoverage(expected, actual), 0.95) << qPrintable(name);
        EXPECT_GE(wordCoverage(actual, expected), 0.95) << qPrintable(name);
        ++compared;
    }
    EXPECT_GE(compared, 20);
}

TEST(RtfReaderFixtures, MalformedAndHostileFilesLoadWhatTheyHold)
{
    const QStringList names =
        QDir(rtfFixtureDir()).entryList({QStringLiteral("malformed_*.rtf"), QStringLiteral("hostile_*.rtf")});
    ASSERT_EQ(names.size(), 3);
    for (const QString &name : names) {
        QTextDocument document;
        EXPECT_TRUE(RtfDocumentBuilder::load(readFixture(name), document)) << qPrintable(name);
        EXPECT_FALSE(document.toPlainText().trimmed().isEmpty()) << qPrintable(name);
    }
}

// Basic formatting of real files: the first run holding a word, and its paragraph.
TEST(RtfReaderFixtures, BasicFormattingSurvives)
{
    const struct
    {
        const char *file, *word;
        StyleCheck holds;
    } cases[] = {
        {"libreoffice-brief.rtf", "zentriert",
         [](auto &, const RtfParaStyle &p) { return p.alignment == Align::Center; }},
        {"libreoffice-brief.rtf", "Rot", [](const RtfCharStyle &r, auto &) { return r.color == qRgb(192, 0, 0); }},
        {"libreoffice-brief.rtf", "Erster", [](auto &, const RtfParaStyle &p) { return p.listItem; }},
        {"libreoffice-brief.rtf", "Eingerückter",
         [](auto &, const RtfParaStyle &p) { return p.leftIndent > 0 && !p.listItem; }},
        {"wordpad_win10_bullets_numbering.rtf", "Bullet", [](auto &, const RtfParaStyle &p) { return p.listItem; }},
        {"wordpad_win10_bullets_numbering.rtf", "Paragraph", [](auto &, const RtfParaStyle &p) { return !p.listItem; }},
        {"word2003_lists_table_footnote.rtf", "bold", [](const RtfCharStyle &r, auto &) { return r.bold; }},
        {"word2003_lists_table_footnote.rtf", "italic", [](const RtfCharStyle &r, auto &) { return r.italic; }},
        {"word2003_lists_table_footnote.rtf", "underline", [](const RtfCharStyle &r, auto &) { return r.underline; }},
        {"textedit_bullet_list.rtf", "sub", [](auto &, const RtfParaStyle &p) { return p.listItem && p.level == 1; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.word);
        const auto found = readAll(readFixture(QString::fromLatin1(c.file))).find(QString::fromUtf8(c.word));
        ASSERT_TRUE(found.has_value());
        EXPECT_TRUE(c.holds(found->first.style, found->second));
    }
}

} // namespace
