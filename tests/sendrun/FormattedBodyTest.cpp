// The formatted body is read once per run and merged per recipient; each
// recipient must still get what merging the values into the RTF and reading
// that would give.
#include "sendrun/FormattedBody.h"
#include "codec/rtf/RtfToHtml.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

const QDate kToday(2026, 12, 6);

class Customer final : public MergeRowSource
{
public:
    QMap<QString, QString> cells;
    std::optional<QString> cell(int row, const QString &key) const override
    {
        if (row != 1 || !cells.contains(key))
            return std::nullopt;
        return cells.value(key);
    }
};

std::optional<QString> mergedIntoSource(const Customer &customer, const QString &rtf)
{
    return RtfToHtml::convert(MergeText(customer, 1, rtf, MergeTarget::RtfSource, kToday));
}

} // namespace

TEST(FormattedBody, ValuesArriveAsIfTypedIntoTheMessage)
{
    const QString rtf = QStringLiteral(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0\\fs24 Hallo {\\b <#KD_NAME#>},\\par"
        "{\\f1\\i <#KD_ORT#>} am <#DATE#>\\par\\qc <#KD_NAME#> <#KD_FIRMA#><#KD_ZUSATZ#>}");
    const QStringList values = {
        QStringLiteral("Müller {Bau}\\Nord"),
        QStringLiteral("Zeile 1\r\nZeile 2\rZeile 3\nZeile 4\u2029Zeile 5"),
        QStringLiteral("Spalte\tSpalte"),
        QStringLiteral("Steuer\x01zeichen und \uFFFC Objekt"),
        QStringLiteral("😀 <b>&amp;</b> \"Zitat\""),
        QString(),
        // A value may bring the token of a later field, which is merged too,
        // but never one of its own or an earlier field.
        QStringLiteral("<#KD_FIRMA#> / <#KD_NAME#>"),
    };
    for (const QString &value : values) {
        Customer customer;
        customer.cells = {{QStringLiteral("Name"), value},
                          {QStringLiteral("Ort"), value},
                          {QStringLiteral("Firma"), QStringLiteral("Velmora & Söhne")}};
        const std::optional<QString> html = FormattedBody(rtf).html(customer, 1, kToday);
        ASSERT_TRUE(html);
        EXPECT_EQ(html->toStdString(), mergedIntoSource(customer, rtf).value_or(QString()).toStdString())
            << value.toStdString();
    }
}

TEST(FormattedBody, PlaceholdersSplitByFormattingAndUnreadableCells)
{
    Customer customer;
    customer.cells = {{QStringLiteral("Vorname"), QStringLiteral("Jörg")}};
    const FormattedBody body(QStringLiteral(
        "{\\rtf1\\ansi {\\b <#KD_}VOR{\\i NAME#>} und <#KD_{\\ul ORT}#> und {\\i <#KD_VORNAME#>}\\par}"));

    const QString html = body.html(customer, 1, kToday).value_or(QString());

    // The split token takes its first character's formatting: bold.
    EXPECT_TRUE(html.contains(QStringLiteral("bold\">Jörg</span>"))) << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("VOR"))) << html.toStdString();
    // No cell for the town: the token stays as typed, formatting and all.
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;#KD_"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("underline\">ORT</span>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("italic\">Jörg</span>"))) << html.toStdString();
    EXPECT_FALSE(FormattedBody(QStringLiteral("kein RTF")).html(customer, 1, kToday));
}

// Letters written by other programs, unreadable ones included, come out as
// their plain conversion with the date merged in (no customer cell can be read,
// so the tokens split by formatting stay too).
TEST(FormattedBody, LettersFromOtherProgramsConvertAsTheyAre)
{
    const QDir fixtures(QString::fromUtf8(ORV_FIXTURES_DIR "/rtf"));
    const QStringList letters = fixtures.entryList({QStringLiteral("*.rtf")});
    if (letters.isEmpty() && qEnvironmentVariable("CI") == QStringLiteral("true"))
        FAIL() << "no RTF fixtures in " << fixtures.path().toStdString();
    if (letters.isEmpty())
        GTEST_SKIP() << "no RTF fixtures in " << fixtures.path().toStdString();
    const Customer nobody;
    for (const QString &name : letters) {
        QFile file(fixtures.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString rtf = QString::fromLatin1(file.readAll());
        EXPECT_EQ(FormattedBody(rtf).html(nobody, 1, kToday).value_or(QStringLiteral("-")).toStdString(),
                  mergedIntoSource(nobody, rtf).value_or(QStringLiteral("-")).toStdString())
            << name.toStdString();
    }
}
