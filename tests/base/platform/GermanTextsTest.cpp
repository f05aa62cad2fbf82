// Every German text of our own in src/, app/ and include/ is found and read
// against the house rules for German: agreement in number, „…“ quotes,
// hyphenated compounds, one term per thing, no runs of blanks. The inherited
// texts of the old program stay exactly as they were, slips included; they
// are recognised by their wording (from the description in ../shared when
// it is there, from the list below otherwise).
#include "base/platform/CountedText.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using OrvVelmora::countedText;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Literal
{
    QString where; // file:line
    QString text;
    QString call; // the function whose argument it is
    int argument = 0;
};

// The string literals of one C++ file, comments and character literals
// skipped, adjacent literals joined as the compiler joins them, each with
// the call it is an argument of (looking through QStringLiteral and kin).
QList<Literal> literalsOf(const QString &file, const QString &src)
{
    static const QSet<QString> wrappers{u"QStringLiteral"_s, u"QLatin1String"_s, u"QString"_s, u"fromUtf8"_s,
                                        u"text"_s};
    struct Open
    {
        QString call;
        int argument = 0;
    };
    QList<Open> open;
    QList<Literal> found;
    QString lastWord;
    const auto at = [&src](qsizetype i) { return i < src.size() ? src.at(i) : QChar(); };
    for (qsizetype pos = 0; pos < src.size();) {
        const QChar c = src.at(pos);
        if (c == u'/' && (at(pos + 1) == u'/' || at(pos + 1) == u'*')) {
            const qsizetype end = src.indexOf(at(pos + 1) == u'/' ? QStringLiteral("\n") : QStringLiteral("*/"), pos);
            pos = end < 0 ? src.size() : end + 1;
        } else if (c == u'\'' && !(pos > 0 && src.at(pos - 1).isDigit())) { // not a digit separator
            for (++pos; pos < src.size() && src.at(pos) != u'\''; ++pos)
                pos += src.at(pos) == u'\\' ? 1 : 0;
            ++pos;
        } else if (c == u'"') {
            const int line = int(src.left(pos).count(u'\n')) + 1;
            QString text;
            while (at(pos) == u'"') {
                for (++pos; pos < src.size() && src.at(pos) != u'"'; ++pos) {
                    const QChar e = src.at(pos) == u'\\' ? src.at(++pos) : QChar();
                    text += e.isNull() ? src.at(pos) : e == u'n' ? QChar(u'\n') : e == u'r' ? QChar(u'\r') : e;
                }
                for (++pos; pos < src.size() && src.at(pos).isSpace();)
                    ++pos;
            }
            qsizetype i = open.size() - 1;
            while (i > 0 && wrappers.contains(open.at(i).call))
                --i;
            const Open call = i < 0 ? Open{} : open.at(i);
            found.append({file + u':' + QString::number(line), text, call.call, call.argument});
            lastWord.clear();
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = pos;
            while (pos < src.size() && (src.at(pos).isLetterOrNumber() || src.at(pos) == u'_'))
                ++pos;
            lastWord = src.mid(start, pos - start);
        } else {
            ++pos;
            if (c == u'(' || c == u'{' || c == u'[')
                open.append({c == u'(' ? lastWord : QString(), 0});
            else if ((c == u')' || c == u'}' || c == u']') && !open.isEmpty())
                open.removeLast();
            else if (c == u',' && !open.isEmpty())
                ++open.last().argument;
            if (!c.isSpace())
                lastWord.clear();
        }
    }
    return found;
}

QList<Literal> literalsOfTheProduct()
{
    QList<Literal> all;
    const QDir root(QStringLiteral(ORV_SOURCE_DIR));
    for (const char *folder : {"src", "app", "include"}) {
        QDirIterator it(root.filePath(QLatin1String(folder)), {u"*.cpp"_s, u"*.h"_s}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                all += literalsOf(root.relativeFilePath(file.fileName()), QString::fromUtf8(file.readAll()));
        }
    }
    return all;
}

const QRegularExpression &wordPattern()
{
    static const QRegularExpression word(QStringLiteral("\\p{L}+(?:-\\p{L}+)*"));
    return word;
}

// German by its umlauts or its small words, which no code key, SQL text or
// English log line of ours carries.
bool isGerman(const QString &text)
{
    static const QSet<QString> smallWords{
        u"der"_s,    u"die"_s,   u"das"_s,    u"den"_s,   u"dem"_s,   u"des"_s,   u"und"_s,   u"oder"_s,  u"nicht"_s,
        u"Sie"_s,    u"Ihr"_s,   u"Ihre"_s,   u"Ihren"_s, u"Ihnen"_s, u"ist"_s,   u"sind"_s,  u"wird"_s,  u"wurde"_s,
        u"werden"_s, u"kann"_s,  u"konnte"_s, u"ein"_s,   u"eine"_s,  u"einen"_s, u"kein"_s,  u"keine"_s, u"mit"_s,
        u"von"_s,    u"zum"_s,   u"zur"_s,    u"bei"_s,   u"auf"_s,   u"noch"_s,  u"haben"_s, u"hat"_s,   u"sich"_s,
        u"Bitte"_s,  u"diese"_s, u"dieser"_s, u"nur"_s,   u"e-Mail"_s};
    static const QRegularExpression umlaut(QStringLiteral("[äöüÄÖÜß]"));
    if (text.contains(umlaut))
        return true;
    for (auto words = wordPattern().globalMatch(text); words.hasNext();)
        if (smallWords.contains(words.next().captured()))
            return true;
    return false;
}

// The pieces of a text between its line breaks, without access-key ampersands.
QStringList pieces(QString text)
{
    static const QRegularExpression accessKey(QStringLiteral("&(?=\\S)"));
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]+"));
    text.replace(accessKey, QString());
    return text.split(lineBreaks, Qt::SkipEmptyParts);
}

// A piece of a longer inherited text counts only when it is long enough
// not to be one of our own short words ("keine") by chance.
bool within(const QString &piece, const QStringList &texts)
{
    const QString p = piece.trimmed();
    return std::any_of(texts.begin(), texts.end(), [&p](const QString &text) {
        return text.trimmed() == p || (p.size() >= 24 && text.contains(p));
    });
}

// The inherited texts our code uses, one a line, as its literals hold them
// (pieces between line breaks, access-key ampersands removed).
QStringList inheritedTexts()
{
    QFile list(QStringLiteral(ORV_SOURCE_DIR "/tests/base/platform/inherited-texts.txt"));
    return list.open(QIODevice::ReadOnly) ? QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

const QString kCounted = QStringLiteral("(Empfängern?|Kunden?|e-Mails?|Mails?|Nachrichten?|Dateien|Datei|Anlagen?|"
                                        "Sekunden?|Minuten?|Versuche?|Bytes?|Runden?)");

// What a careful German writer would not let pass, as a list of reasons.
QStringList faults(const QString &text, const Literal &literal)
{
    const auto rules = std::initializer_list<std::pair<const char *, QString>>{
        {"a run of blanks", u"\\S  +\\S"_s},
        {"a counted word after a number that bypasses countedText()",
         u"%\\d\\W*(\\p{L}+ ){0,2}"_s + kCounted + u"\\b"_s},
        {"a plural after the number 1",
         u"(^|[^\\d.,%])1 (\\p{L}+ )?(Empfängern|e-Mails|Nachrichten|Dateien|Anlagen|"_s
         u"Sekunden|Minuten|Versuche|Bytes|haben|sind|werden|wurden)\\b"_s},
        {"a singular after a number above 1",
         u"(^|[^\\d.,%])2 (\\p{L}+ )?(e-Mail(?![-s])|Nachricht|Datei|Anlage|"_s
         u"Sekunde|Minute)\\b|(^|[^\\d.,%])2 \\p{L}+ (hat|wird|wurde)\\b"_s},
        {"a compound without its hyphen", u"e-Mails? (?!(Sie|Ihnen|Ihre?[mnrs]?)\\b)[A-ZÄÖÜ]"_s},
        {"a compound without its hyphen", u"\\b(ZIP|SMTP|RTF|CSV|HTML|PDF|TLS|OAuth) [A-ZÄÖÜ][a-zäöüß]"_s},
        {"another spelling of e-Mail", u"\\b(E-Mail|Email|email|E-mail|eMail)|(?<![-\\p{L}])Mails?\\b"_s},
        {"another word for Kennwort", u"\\bPasswort"_s},
        {"Ja/Nein described in the text; name the buttons by their action", u"(^|\\s)(Ja|Nein):"_s},
    };
    // A caption quoted „so“ is spelled as the control spells it.
    static const QRegularExpression quoted(QStringLiteral("„[^“]*“"));
    const QString unquoted = QString(text).replace(quoted, QStringLiteral("„…“"));
    QStringList found;
    for (const auto &[reason, pattern] : rules)
        if (unquoted.contains(QRegularExpression(pattern)))
            found += QString::fromUtf8(reason);
    if (text.contains(u'"') || text.contains(u'\''))
        found += QStringLiteral("ASCII quotes; German quotes are „…“");
    if (text.contains(QLatin1String("%n")) && literal.call != QLatin1String("countedText"))
        found += QStringLiteral("%n outside countedText()");
    return found;
}

// countedText(n, one, many): what each of its texts reads with a count it serves.
QString asCounted(const Literal &literal)
{
    if (literal.call != QLatin1String("countedText"))
        return literal.text;
    return countedText(literal.argument == 1 ? 1 : 2, literal.text, literal.text);
}

TEST(GermanTexts, everyTextOfOurOwnFollowsTheHouseRules)
{
    const QStringList inherited = inheritedTexts();
    int own = 0;
    QStringList problems;
    // The list of our own texts, for reading them as a whole.
    QFile list(QStringLiteral("german-texts.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const Literal &literal : literalsOfTheProduct()) {
        if (!isGerman(literal.text))
            continue;
        for (const QString &piece : pieces(asCounted(literal))) {
            const bool listed = within(piece, inherited);
            if (listed || !isGerman(piece))
                continue;
            ++own;
            list.write((literal.where + u'\t' + piece + u'\n').toUtf8());
            for (const QString &fault : faults(piece, literal))
                problems += literal.where + u": "_s + fault + u": "_s + piece;
        }
    }
    std::cout << own << " German texts of our own read, listed in " << list.fileName().toStdString() << '\n';
    EXPECT_GT(own, 100) << "the scanner no longer finds our texts";
    EXPECT_GT(inherited.size(), 70) << "the list of inherited texts was not read";
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
}

TEST(GermanTexts, countedTextAgreesWithTheNumber)
{
    const QString one = QStringLiteral("%n Empfänger hat die e-Mail erhalten");
    const QString many = QStringLiteral("%n Empfänger haben die e-Mail erhalten");
    EXPECT_EQ(countedText(1, one, many), QStringLiteral("1 Empfänger hat die e-Mail erhalten"));
    EXPECT_EQ(countedText(0, one, many), QStringLiteral("0 Empfänger haben die e-Mail erhalten"));
    EXPECT_EQ(countedText(-1, one, many), QStringLiteral("-1 Empfänger haben die e-Mail erhalten"));
    EXPECT_EQ(countedText(1250, one, many), QStringLiteral("1.250 Empfänger haben die e-Mail erhalten"));
    // The other placeholders stay for arg(), the count never takes their place.
    EXPECT_EQ(countedText(3, u"%n von %1"_s, u"%n von %1"_s).arg(7), QStringLiteral("3 von 7"));
}

} // namespace
