#include "merge/MergeText.h"
#include "merge/MergeField.h"

#include <QHash>
#include <QLocale>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

// Row 1 is the only recipient; a key mapped to nullopt is a cell that cannot be read.
class OneRecipient final : public MergeRowSource
{
public:
    QHash<QString, std::optional<QString>> values{{"KundenNr", "4711"},
                                                  {"Anrede", "Frau"},
                                                  {"Name", "Meier"},
                                                  {"Vorname", "Anna"},
                                                  {"Firma", "Meier AG"},
                                                  {"Zusatz", "Vertrieb"},
                                                  {"AnsprechPartner", "B"},
                                                  {"Strasse", "Hauptstr. 1"},
                                                  {"PLZ", "12345"},
                                                  {"Ort", "Berlin"},
                                                  {"Land", "DE"},
                                                  {"FreiFeld1", "f1"},
                                                  {"FreiFeld2", "f2"},
                                                  {"FreiFeld3", "f3"},
                                                  {"EMail", "anna@meier.de"}};

    SalutationPhrases phrases;

    std::optional<QString> cell(int row, const QString &key) const override
    {
        return row == 1 ? values.value(key, std::nullopt) : std::nullopt;
    }
    SalutationPhrases salutationPhrases() const override { return phrases; }
};

const QDate kToday(2026, 12, 4);

struct MergeCase
{
    const char *name;
    QString text;
    QHash<QString, std::optional<QString>> overrides;
    MergeTarget target;
    QString expected;
    int row = 1;
};

class MergeTextTest : public ::testing::TestWithParam<MergeCase>
{
};

TEST_P(MergeTextTest, Personalises)
{
    const MergeCase &c = GetParam();
    OneRecipient source;
    for (auto it = c.overrides.cbegin(); it != c.overrides.cend(); ++it)
        source.values[it.key()] = it.value();
    EXPECT_EQ(MergeText(source, c.row, c.text, c.target, kToday), c.expected);
}

const MergeTarget kPlain = MergeTarget::PlainText;
const MergeTarget kRtf = MergeTarget::RtfSource;

INSTANTIATE_TEST_SUITE_P(
    Table, MergeTextTest,
    ::testing::Values(
        MergeCase{"no_token", "Hallo <# Welt #> <#>", {}, kPlain, "Hallo <# Welt #> <#>"},
        MergeCase{"every_token_once",
                  "<#DATE#>|<#KD_NUMMER#>|<#KD_ANREDE#>|<#KD_NAME#>|<#KD_VORNAME#>|<#KD_FIRMA#>|"
                  "<#KD_ZUSATZ#>|<#KD_ANSPRECHPARTNER#>|<#KD_STRASSE#>|<#KD_PLZ#>|<#KD_ORT#>|"
                  "<#KD_LAND#>|<#KD_FREIFELD1#>|<#KD_FREIFELD2#>|<#KD_FREIFELD3#>|<#KD_EMail#>",
                  {},
                  kPlain,
                  "04.12.2026|4711|Frau|Meier|Anna|Meier AG|Vertrieb|B|Hauptstr. 1|12345|Berlin|DE|"
                  "f1|f2|f3|anna@meier.de"},
        MergeCase{
            "token_twice_and_adjacent", "<#KD_NAME#><#KD_NAME#> und <#KD_NAME#>", {}, kPlain, "MeierMeier und Meier"},
        MergeCase{"lookalikes_stay",
                  "<#KD_EMAIL#> <#kd_name#> <# KD_NAME #> <#KD_NAME #> <#KD_EMail#>",
                  {},
                  kPlain,
                  "<#KD_EMAIL#> <#kd_name#> <# KD_NAME #> <#KD_NAME #> anna@meier.de"},
        MergeCase{"empty_field_removes_token", "[<#KD_ZUSATZ#>]", {{"Zusatz", ""}}, kPlain, "[]"},
        MergeCase{"unreadable_cell_keeps_token",
                  "<#KD_ORT#> <#KD_NAME#> <#KD_ORT#>",
                  {{"Ort", std::nullopt}},
                  kPlain,
                  "<#KD_ORT#> Meier <#KD_ORT#>"},
        MergeCase{"missing_row_keeps_all_but_date", "<#DATE#> <#KD_NAME#>", {}, kPlain, "04.12.2026 <#KD_NAME#>", 99},
        MergeCase{"value_expanded_by_later_row", "<#KD_NAME#>", {{"Name", "Meier <#KD_ORT#>"}}, kPlain, "Meier Berlin"},
        MergeCase{"value_with_earlier_token_stays", "<#KD_ORT#>", {{"Ort", "<#KD_NAME#>"}}, kPlain, "<#KD_NAME#>"},
        MergeCase{"value_with_own_token_stays", "<#KD_NAME#>!", {{"Name", "<#KD_NAME#>"}}, kPlain, "<#KD_NAME#>!"},
        MergeCase{"token_formed_across_value_boundary", "<#KD_<#KD_NAME#>", {{"Name", "ORT#>"}}, kPlain, "Berlin"},
        MergeCase{"no_overlap_search_goes_on_behind", "<#KD_PLZ#>#>", {{"PLZ", "<#KD_PLZ"}}, kPlain, "<#KD_PLZ#>"},
        MergeCase{"plain_text_takes_value_unchanged",
                  "<#KD_NAME#>",
                  {{"Name", "Müller {Bau}\\Nord"}},
                  kPlain,
                  "Müller {Bau}\\Nord"},
        MergeCase{"rtf_escapes_value",
                  "{\\rtf1 <#KD_NAME#>}",
                  {{"Name", "Müller {Bau}\\Nord"}},
                  kRtf,
                  "{\\rtf1 M\\u252?ller \\{Bau\\}\\\\Nord}"},
        MergeCase{"rtf_split_token_not_found",
                  "{\\rtf1 <#KD_{\\b NAME}#> <#KD_ORT#>}",
                  {},
                  kRtf,
                  "{\\rtf1 <#KD_{\\b NAME}#> Berlin}"},
        MergeCase{"rtf_escaped_value_still_expanded_later",
                  "<#KD_NAME#>",
                  {{"Name", "{<#KD_ORT#>}"}, {"Ort", "Köln"}},
                  kRtf,
                  "\\{K\\u246?ln\\}"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MergeSalutation, GreetsEachKindOfCustomerAsALetterWould)
{
    const struct
    {
        const char *anrede;
        const char *name;
        const char *expected;
    } cases[] = {
        {"Frau Dr.", "Müller", "Sehr geehrte Frau Dr. Müller"},
        {"Herr", "von der Lühe", "Sehr geehrter Herr von der Lühe"},
        {"Herrn Prof.", "Meier", "Sehr geehrter Herr Prof. Meier"},
        {"Familie", "Schröder", "Sehr geehrte Familie Schröder"},
        {"  Frau ", "  Meier\t ", "Sehr geehrte Frau Meier"},
        {"Firma", "Meier Bau GmbH", "Sehr geehrte Damen und Herren"},
        {"Frauke", "Meier", "Sehr geehrte Damen und Herren"},
        {"", "Meier Bau GmbH", "Sehr geehrte Damen und Herren"},
        {"Herr", "  ", "Sehr geehrte Damen und Herren"},
    };
    for (const auto &c : cases) {
        OneRecipient source;
        source.values["Anrede"] = QString::fromUtf8(c.anrede);
        source.values["Name"] = QString::fromUtf8(c.name);
        EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#>,", kPlain, kToday), QString::fromUtf8(c.expected) + ",")
            << c.anrede << " / " << c.name;
    }
}

TEST(MergeSalutation, TakesThePhrasesOfTheSettingsFileAndMergesLikeAnyField)
{
    OneRecipient source;
    source.phrases = {"Liebe", "Lieber", "Hallo"};
    EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#> und <#KD_BRIEFANREDE#>!", kPlain, kToday),
              "Liebe Frau Meier und Liebe Frau Meier!");
    source.values["Anrede"] = "Herr";
    EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#>", kPlain, kToday), "Lieber Herr Meier");
    source.values["Name"] = "";
    EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#>", kPlain, kToday), "Hallo");
    // Phrases left empty in the file fall back to the usual ones; the RTF
    // takes the salutation escaped; a name that cannot be read keeps the token.
    source.phrases = {" ", "", ""};
    source.values["Anrede"] = "Frau";
    source.values["Name"] = "Müller <#KD_ORT#>";
    EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#>", kRtf, kToday), "Sehr geehrte Frau M\\u252?ller Berlin");
    source.values["Name"] = std::nullopt;
    EXPECT_EQ(MergeText(source, 1, "<#KD_BRIEFANREDE#>", kPlain, kToday), "<#KD_BRIEFANREDE#>");
}

TEST(MergeDate, IsTodayInDayMonthYearWhateverTheLocale)
{
    const OneRecipient source;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString merged = MergeText(source, 1, QStringLiteral("<#DATE#>"));
    QLocale::setDefault(before);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(merged, QString::asprintf("%02d.%02d.%d", today.day(), today.month(), today.year()));
    EXPECT_EQ(MergeText(source, 1, "<#DATE#>", MergeTarget::PlainText, QDate(2027, 1, 1)), "01.01.2027");
}

// Qt's replace has exactly the merge's semantics (all occurrences, left to
// right, no overlap, continuing behind the inserted text), only slower: the
// merge must agree with it on texts full of token fragments.
TEST(MergeText, AgreesWithPlainSequentialReplacementOnRandomTexts)
{
    const QStringList pieces{"<#KD_",      "<#",         "#>",       "NAME", "ORT", "PLZ", "<#KD_NAME#>",
                             "<#KD_ORT#>", "<#KD_PLZ#>", "<#DATE#>", "x",    "<",   ">",   "#"};
    QRandomGenerator random(20261204);
    auto randomText = [&](int maxPieces) {
        QString text;
        for (int n = random.bounded(maxPieces); n > 0; --n)
            text += pieces.at(random.bounded(int(pieces.size())));
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        OneRecipient source;
        for (const char *key : {"Name", "Ort", "PLZ"})
            source.values[key] = randomText(4);
        const QString text = randomText(12);
        QString expected = text;
        for (const MergeField &field : MergeFields()) {
            const std::optional<QString> value = MergeValue(field, source, 1, kToday);
            expected.replace(field.token, *value);
        }
        ASSERT_EQ(MergeText(source, 1, text, MergeTarget::PlainText, kToday), expected)
            << "text " << text.toStdString() << " name " << source.values["Name"]->toStdString() << " ort "
            << source.values["Ort"]->toStdString() << " plz " << source.values["PLZ"]->toStdString();
    }
}

} // namespace
