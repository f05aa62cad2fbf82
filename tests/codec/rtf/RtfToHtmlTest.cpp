#include "RtfTestSupport.h"

#include "codec/rtf/RtfToHtml.h"

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

QString html(const QByteArray &rtf)
{
    return RtfToHtml::convert(rtf).value_or(QStringLiteral("<not converted>"));
}

struct HtmlCase
{
    const char *name;
    QByteArray rtf;
    QStringList pieces;
};

class RtfToHtmlFeatures : public ::testing::TestWithParam<HtmlCase>
{
};

TEST_P(RtfToHtmlFeatures, RendersTheFeature)
{
    const QString result = html(GetParam().rtf);
    for (const QString &piece : GetParam().pieces)
        EXPECT_TRUE(result.contains(piece)) << qPrintable(piece) << "\n" << qPrintable(result);
}

const QByteArray kTables =
    "{\\fonttbl{\\f0 Times;}{\\f1 Arial;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}";

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfToHtmlFeatures,
    ::testing::Values(HtmlCase{"bold", "{\\rtf1{\\b X}}", {QStringLiteral("font-weight:bold\">X</span>")}},
                      HtmlCase{"italic", "{\\rtf1\\i X}", {QStringLiteral("font-style:italic")}},
                      HtmlCase{"underline", "{\\rtf1\\ul X}", {QStringLiteral("text-decoration:underline\"")}},
                      HtmlCase{"underline_and_strike",
                               "{\\rtf1\\ul\\strike X}",
                               {QStringLiteral("text-decoration:underline line-through")}},
                      HtmlCase{"size", "{\\rtf1\\fs21 X}", {QStringLiteral("font-size:10.5pt")}},
                      HtmlCase{"font", "{\\rtf1" + kTables + "\\f1 X}", {QStringLiteral("font-family:'Arial'")}},
                      HtmlCase{"colours",
                               "{\\rtf1" + kTables + "\\cf1\\highlight2 X}",
                               {QStringLiteral("color:#ff0000"), QStringLiteral("background-color:#0000ff")}},
                      HtmlCase{"superscript", "{\\rtf1\\super X}", {QStringLiteral("vertical-align:super")}},
                      HtmlCase{"centred", "{\\rtf1\\qc X}", {QStringLiteral("text-align:center")}},
                      HtmlCase{"right", "{\\rtf1\\qr X}", {QStringLiteral("text-align:right")}},
                      HtmlCase{"indents",
                               "{\\rtf1\\li720\\ri200\\fi-360\\sb120\\sa240 X}",
                               {QStringLiteral("margin:6pt 10pt 12pt 36pt"), QStringLiteral("text-indent:-18pt")}},
                      HtmlCase{"line_spacing",
                               "{\\rtf1\\sl360\\slmult1 a\\par\\pard\\sl-300\\slmult0 b\\par\\pard\\sl1000 c}",
                               {QStringLiteral("line-height:1.8;"), QStringLiteral("line-height:15pt;"),
                                QStringLiteral("text-align:left;font-size:12pt\">")}},
                      HtmlCase{"bullets",
                               "{\\rtf1 a\\par\\ls1 b\\par c\\par\\pard d}",
                               {QStringLiteral("</p>\n<ul "), QStringLiteral("\">b</span>\n</li>\n<li "),
                                QStringLiteral("</li>\n</ul>\n<p ")}},
                      HtmlCase{"nested_bullets",
                               "{\\rtf1\\ls1 a\\par\\ilvl1 b\\par\\ilvl0 c}",
                               {QStringLiteral("a</span>\n<ul "), QStringLiteral("</li>\n</ul>\n</li>\n<li "),
                                QStringLiteral("c</span>\n</li>\n</ul>\n</body>")}},
                      HtmlCase{"numbered_after_bullets",
                               "{\\rtf1\\ls1 a\\par{\\*\\pn\\pnlvlbody\\pndec}b\\par c}",
                               {QStringLiteral("a</span>\n</li>\n</ul>\n<ol type=\"1\" "),
                                QStringLiteral("c</span>\n</li>\n</ol>\n</body>")}},
                      HtmlCase{"letters_inside_numbers",
                               "{\\rtf1{\\*\\pn\\pnlvlbody\\pndec}a\\par{\\*\\pn\\pnlvlbody\\pnlcltr}\\ilvl1 b}",
                               {QStringLiteral("a</span>\n<ol type=\"a\" "),
                                QStringLiteral("</li>\n</ol>\n</li>\n</ol>\n</body>")}},
                      HtmlCase{"line_break_and_empty_paragraph",
                               "{\\rtf1 a\\line b\\par\\par c}",
                               {QStringLiteral("a<br>b"), QStringLiteral("font-size:12pt\"><br></span></p>")}},
                      HtmlCase{"escaped_merged_value",
                               "{\\rtf1 \\{<b>\"Tom\" & 'Jerry'\\}\\\\ M{\\u252?}ller}",
                               {QStringLiteral("{&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;}\\ M\u00fcller")}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(RtfToHtml, ProducesACompleteUtf8Document)
{
    const QString result = html("{\\rtf1 x}");
    EXPECT_TRUE(result.startsWith(QLatin1String("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head>")));
    EXPECT_TRUE(result.endsWith(QLatin1String("</body></html>\n")));
}

TEST(RtfToHtml, RefusesWhatIsNotRtf)
{
    EXPECT_FALSE(RtfToHtml::convert(QByteArray("<#DATE#>")).has_value());
    EXPECT_FALSE(RtfToHtml::convert(QString()).has_value());
}

TEST(RtfToHtml, TextOverloadTakesLiteralCharactersAsText)
{
    EXPECT_TRUE(RtfToHtml::convert(QStringLiteral("{\\rtf1\\b M\u00fcller \u20ac}"))
                    ->contains(QStringLiteral(">M\u00fcller \u20ac</span>")));
}

// A letter as the send run sees it: the placeholder replaced by an escaped
// value in the RTF source, then converted.
TEST(RtfToHtml, MergedLetterKeepsValueAndFormatting)
{
    QByteArray rtf = readFixture(QStringLiteral("libreoffice-brief.rtf"));
    ASSERT_TRUE(rtf.contains("<#KD_VORNAME#>"));
    rtf.replace("<#KD_VORNAME#>", "J{\\u252?}rgen <Ltd> & \\{Co\\}");
    const QString result = html(rtf);
    EXPECT_TRUE(result.contains(QStringLiteral("J\u00fcrgen &lt;Ltd&gt; &amp; {Co}"))) << qPrintable(result);
    EXPECT_FALSE(result.contains(QLatin1String("KD_VORNAME")));
    EXPECT_TRUE(result.contains(QLatin1String("text-align:center")));
    EXPECT_TRUE(result.contains(QLatin1String("<li ")));
}

} // namespace
