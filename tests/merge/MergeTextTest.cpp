#include "merge/MergeText.h"
#include "merge/MergeField.h"

#include <QHash>
#include <QLocale>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace Qt::Literals::StringLiterals;

namespace {

// Row 1 is the only recipient; a key mapped to nullopt is a cell that cannot be read.
class OneRecipient final : public MergeRowSource
{
public:
    QHash<QString, std::optional<QString>> values{{u"KundenNr"_s, u"4711"_s},
                                                  {u"Anrede"_s, u"Frau"_s},
                                                  {u"Name"_s, u"Meier"_s},
                                                  {u"Vorname"_s, u"Anna"_s},
                                                  {u"Firma"_s, u"Meier AG"_s},
                                                  {u"Zusatz"_s, u"Vertrieb"_s},
                                                  {u"AnsprechPartner"_s, u"B"_s},
                                                  {u"Strasse"_s, u"Hauptstr. 1"_s},
                                                  {u"PLZ"_s, u"12345"_s},
                                                  {u"Ort"_s, u"Berlin"_s},
                                                  {u"Land"_s, u"DE"_s},
                                                  {u"FreiFeld1"_s, u"f1"_s},
                                                  {u"FreiFeld2"_s, u"f2"_s},
                                                  {u"FreiFeld3"_s, u"f3"_s},
                                                  {u"EMail"_s, u"anna@meier.de"_s}};

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
        MergeCase{"no_token", u"Hallo <# Welt #> <#>"_s, {}, kPlain, u"Hallo <# Welt #> <#>"_s},
        MergeCase{"every_token_once",
                  u"<#DATE#>|<#KD_NUMMER#>|<#KD_ANREDE#>|<#KD_NAME#>|<#KD_VORNAME#>|<#KD_FIRMA#>|"
                  "<#KD_ZUSATZ#>|<#KD_ANSPRECHPARTNER#>|<#KD_STRASSE#>|<#KD_PLZ#>|<#KD_ORT#>|"
                  "<#KD_LAND#>|<#KD_FREIFELD1#>|<#KD_FREIFELD2#>|<#KD_FREIFELD3#>|<#KD_EMail#>"_s,
                  {},
                  kPlain,
                  u"04.12.2026|4711|Frau|Meier|Anna|Meier AG|Vertrieb|B|Hauptstr. 1|12345|Berlin|DE|"
                  "f1|f2|f3|anna@meier.de"_s},
        MergeCase{"token_twice_and_adjacent",
                  u"<#KD_NAME#><#KD_NAME#> und <#KD_NAME#>"_s,
                  {},
                  kPlain,
                  u"MeierMeier und Meier"_s},
        MergeCase{"lookalikes_stay",
                  u"<#KD_EMAIL#> <#kd_name#> <# KD_NAME #> <#KD_NAME #> <#KD_EMail#>"_s,
                  {},
                  kPlain,
                  u"<#KD_EMAIL#> <#kd_name#> <# KD_NAME #> <#KD_NAME #> anna@meier.de"_s},
        MergeCase{"empty_field_removes_token", u"[<#KD_ZUSATZ#>]"_s, {{u"Zusatz"_s, QString()}}, kPlain, u"[]"_s},
        MergeCase{"unreadable_cell_keeps_token",
                  u"<#KD_ORT#> <#KD_NAME#> <#KD_ORT#>"_s,
                  {{u"Ort"_s, std::nullopt}},
                  kPlain,
                  u"<#KD_ORT#> Meier <#KD_ORT#>"_s},
        MergeCase{
            "missing_row_keeps_all_but_date", u"<#DATE#> <#KD_NAME#>"_s, {}, kPlain, u"04.12.2026 <#KD_NAME#>"_s, 99},
        MergeCase{"value_expanded_by_later_row",
                  u"<#KD_NAME#>"_s,
                  {{u"Name"_s, u"Meier <#KD_ORT#>"_s}},
                  kPlain,
                  u"Meier Berlin"_s},
        MergeCase{"value_with_earlier_token_stays",
                  u"<#KD_ORT#>"_s,
                  {{u"Ort"_s, u"<#KD_NAME#>"_s}},
                  kPlain,
                  u"<#KD_NAME#>"_s},
        MergeCase{"value_with_own_token_stays",
                  u"<#KD_NAME#>!"_s,
                  {{u"Name"_s, u"<#KD_NAME#>"_s}},
                  kPlain,
                  u"<#KD_NAME#>!"_s},
        MergeCase{"token_formed_across_value_boundary",
                  u"<#KD_<#KD_NAME#>"_s,
                  {{u"Name"_s, u"ORT#>"_s}},
                  kPlain,
                  u"Berlin"_s},
        MergeCase{"no_overlap_search_goes_on_behind",
                  u"<#KD_PLZ#>#>"_s,
                  {{u"PLZ"_s, u"<#KD_PLZ"_s}},
                  kPlain,
                  u"<#KD_PLZ#>"_s},
        MergeCase{"plain_text_takes_value_unchanged",
                  u"<#KD_NAME#>"_s,
                  {{u"Name"_s, u"Müller {Bau}\\Nord"_s}},
                  kPlain,
                  u"Müller {Bau}\\Nord"_s},
        MergeCase{"rtf_escapes_value",
                  u"{\\rtf1 <#KD_NAME#>}"_s,
                  {{u"Name"_s, u"Müller {Bau}\\Nord"_s}},
                  kRtf,
                  u"{\\rtf1 M\\u252?ller \\{Bau\\}\\\\Nord}"_s},
        MergeCase{"rtf_split_token_not_found",
                  u"{\\rtf1 <#KD_{\\b NAME}#> <#KD_ORT#>}"_s,
                  {},
                  kRtf,
                  u"{\\rtf1 <#KD_{\\b NAME}#> Berlin}"_s},
        MergeCase{"rtf_escaped_value_still_expanded_later",
                  u"<#KD_NAME#>"_s,
                  {{u"Name"_s, u"{<#KD_ORT#>}"_s}, {u"Ort"_s, u"Köln"_s}},
                  kRtf,
                  u"\\{K\\u246?ln\\}"_s}),
    [](const auto &test) { return std::string(test.param.name); });

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
        source.values[u"Anrede"_s] = QString::fromUtf8(c.anrede);
        source.values[u"Name"_s] = QString::fromUtf8(c.name);
        EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#>,"_s, kPlain, kToday), QString::fromUtf8(c.expected) + u',')
            << c.anrede << " / " << c.name;
    }
}

TEST(MergeSalutation, TakesThePhrasesOfTheSettingsFileAndMergesLikeAnyField)
{
    OneRecipient source;
    source.phrases = {u"Liebe"_s, u"Lieber"_s, u"Hallo"_s};
    EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#> und <#KD_BRIEFANREDE#>!"_s, kPlain, kToday),
              u"Liebe Frau Meier und Liebe Frau Meier!"_s);
    source.values[u"Anrede"_s] = u"Herr"_s;
    EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#>"_s, kPlain, kToday), u"Lieber Herr Meier"_s);
    source.values[u"Name"_s] = QString();
    EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#>"_s, kPlain, kToday), u"Hallo"_s);
    // Phrases left empty in the file fall back to the usual ones; the RTF
    // takes the salutation escaped; a name that cannot be read keeps the token.
    source.phrases = {u" "_s, QString(), QString()};
    source.values[u"Anrede"_s] = u"Frau"_s;
    source.values[u"Name"_s] = u"Müller <#KD_ORT#>"_s;
    EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#>"_s, kRtf, kToday), u"Sehr geehrte Frau M\\u252?ller Berlin"_s);
    source.values[u"Name"_s] = std::nullopt;
    EXPECT_EQ(MergeText(source, 1, u"<#KD_BRIEFANREDE#>"_s, kPlain, kToday), u"<#KD_BRIEFANREDE#>"_s);
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
    EXPECT_EQ(MergeText(source, 1, u"<#DATE#>"_s, MergeTarget::PlainText, QDate(2027, 1, 1)), u"01.01.2027"_s);
}

// Qt's replace has exactly the merge's semantics (all occurrences, left to
// right, no overlap, continuing behind the inserted text), only slower: the
// merge must agree with it on texts full of token fragments.
TEST(MergeText, AgreesWithPlainSequentialReplacementOnRandomTexts)
{
    const QStringList pieces{u"<#KD_"_s, u"<#"_s,          u"#>"_s,         u"NAME"_s,       u"ORT"_s,
                             u"PLZ"_s,   u"<#KD_NAME#>"_s, u"<#KD_ORT#>"_s, u"<#KD_PLZ#>"_s, u"<#DATE#>"_s,
                             u"x"_s,     u"<"_s,           u">"_s,          u"#"_s};
    QRandomGenerator random(20261204);
    auto randomText = [&](int maxPieces) {
        QString text;
        for (int n = random.bounded(maxPieces); n > 0; --n)
            text += pieces.at(random.bounded(int(pieces.size())));
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        OneRecipient source;
        for (const QString &key : {u"Name"_s, u"Ort"_s, u"PLZ"_s})
            source.values[key] = randomText(4);
        const QString text = randomText(12);
        QString expected = text;
        for (const MergeField &field : MergeFields()) {
            const std::optional<QString> value = MergeValue(field, source, 1, kToday);
            expected.replace(field.token, *value);
        }
        ASSERT_EQ(MergeText(source, 1, text, MergeTarget::PlainText, kToday), expected)
            << "text " << text.toStdString() << " name " << source.values[u"Name"_s]->toStdString() << " ort "
            << source.values[u"Ort"_s]->toStdString() << " plz " << source.values[u"PLZ"_s]->toStdString();
    }
}

} // namespace
