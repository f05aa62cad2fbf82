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

namespace {

// The inherited texts our code uses, as its literals hold them (pieces
// between line breaks, access-key ampersands removed).
const char *const kInheritedTexts[] = {
#include "InheritedTexts.inc"
};

struct Literal
{
    QString where; // file:line
    QString text;
    QString call; // the function whose argument it is
    int argument = 0;
};

// Reads the string literals of one C++ file: comments and character
// literals skipped, adjacent literals joined as the compiler joins them.
class LiteralScanner
{
public:
    LiteralScanner(QString file, QString source)
        : m_file(std::move(file))
        , m_src(std::move(source))
    {
    }

    QList<Literal> run()
    {
        while (m_pos < m_src.size())
            step();
        return m_found;
    }

private:
    struct Open
    {
        QString call;
        int argument = 0;
    };

    QChar at(qsizetype i) const { return i < m_src.size() ? m_src.at(i) : QChar(); }

    void step()
    {
        const QChar c = m_src.at(m_pos);
        if (c == u'/' && at(m_pos + 1) == u'/')
            m_pos = m_src.indexOf(u'\n', m_pos) < 0 ? m_src.size() : m_src.indexOf(u'\n', m_pos);
        else if (c == u'/' && at(m_pos + 1) == u'*')
            m_pos = m_src.indexOf(QLatin1String("*/"), m_pos) < 0 ? m_src.size() : m_src.indexOf("*/", m_pos) + 2;
        else if (c == u'\'')
            skipCharLiteral();
        else if (c == u'"')
            readLiteral();
        else if (c.isLetter() || c == u'_')
            readIdentifier();
        else
            punctuation(c);
    }

    void skipCharLiteral()
    {
        // A digit separator (1'000) is no character literal.
        if (m_pos > 0 && m_src.at(m_pos - 1).isDigit()) {
            ++m_pos;
            return;
        }
        for (++m_pos; m_pos < m_src.size() && m_src.at(m_pos) != u'\''; ++m_pos)
            m_pos += m_src.at(m_pos) == u'\\' ? 1 : 0;
        ++m_pos;
    }

    void readIdentifier()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_src.size() && (m_src.at(m_pos).isLetterOrNumber() || m_src.at(m_pos) == u'_'))
            ++m_pos;
        m_lastWord = m_src.mid(start, m_pos - start);
    }

    void punctuation(QChar c)
    {
        ++m_pos;
        if (c.isSpace())
            return;
        if (c == u'(' || c == u'{' || c == u'[')
            m_open.append({c == u'(' ? m_lastWord : QString(), 0});
        else if ((c == u')' || c == u'}' || c == u']') && !m_open.isEmpty())
            m_open.removeLast();
        else if (c == u',' && !m_open.isEmpty())
            ++m_open.last().argument;
        m_lastWord.clear();
    }

    void readLiteral()
    {
        const int line = int(m_src.left(m_pos).count(u'\n')) + 1;
        const bool raw = m_lastWord.endsWith(u'R');
        QString text;
        do {
            text += raw ? rawBody() : body();
            skipSpace();
        } while (at(m_pos) == u'"');
        // The call a text is handed to, looking through the wrappers that
        // only make a QString of it.
        qsizetype i = m_open.size() - 1;
        while (i > 0 && kWrappers.contains(m_open.at(i).call))
            --i;
        const Open open = i < 0 ? Open{} : m_open.at(i);
        m_found.append({m_file + u':' + QString::number(line), text, open.call, open.argument});
        m_lastWord.clear();
    }

    QString rawBody()
    {
        const qsizetype paren = m_src.indexOf(u'(', m_pos);
        const QString close = u')' + m_src.mid(m_pos + 1, paren - m_pos - 1) + u'"';
        const qsizetype end = m_src.indexOf(close, paren);
        m_pos = end + close.size();
        return m_src.mid(paren + 1, end - paren - 1);
    }

    QString body()
    {
        QString text;
        for (++m_pos; m_pos < m_src.size() && m_src.at(m_pos) != u'"'; ++m_pos) {
            if (m_src.at(m_pos) != u'\\') {
                text += m_src.at(m_pos);
                continue;
            }
            const QChar e = at(++m_pos);
            text += e == u'n' ? QChar(u'\n') : e == u'r' ? QChar(u'\r') : e == u't' ? QChar(u'\t') : e;
        }
        ++m_pos;
        return text;
    }

    void skipSpace()
    {
        while (m_pos < m_src.size() && m_src.at(m_pos).isSpace())
            ++m_pos;
    }

    inline static const QSet<QString> kWrappers{"QStringLiteral", "QLatin1String", "QString", "fromUtf8", "text"};
    QString m_file;
    QString m_src;
    qsizetype m_pos = 0;
    QString m_lastWord;
    QList<Open> m_open;
    QList<Literal> m_found;
};

QList<Literal> literalsOfTheProduct()
{
    QList<Literal> all;
    const QDir root(QStringLiteral(ORV_SOURCE_DIR));
    for (const char *folder : {"src", "app", "include"}) {
        QDirIterator it(root.filePath(QLatin1String(folder)), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                all += LiteralScanner(root.relativeFilePath(file.fileName()), QString::fromUtf8(file.readAll())).run();
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
        "der",   "die",   "das",   "den",   "dem",   "des",    "und",   "oder",   "nicht", "Sie",    "Ihr",
        "Ihre",  "Ihren", "Ihnen", "ist",   "sind",  "wird",   "wurde", "werden", "kann",  "konnte", "ein",
        "eine",  "einen", "kein",  "keine", "mit",   "von",    "zum",   "zur",    "bei",   "auf",    "noch",
        "haben", "hat",   "sich",  "Bitte", "diese", "dieser", "nur",   "e-Mail"};
    if (text.contains(QRegularExpression(QStringLiteral("[äöüÄÖÜß]"))))
        return true;
    for (auto words = wordPattern().globalMatch(text); words.hasNext();)
        if (smallWords.contains(words.next().captured()))
            return true;
    return false;
}

// The pieces of a text between its line breaks, without access-key ampersands.
QStringList pieces(QString text)
{
    text.replace(QRegularExpression(QStringLiteral("&(?=\\S)")), QString());
    return text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
}

// A piece of a longer inherited text counts only when it is long enough
// not to be one of our own short words ("keine") by chance.
bool within(const QString &piece, const QStringList &texts)
{
    return std::any_of(texts.begin(), texts.end(), [&](const QString &text) {
        return text == piece || (piece.size() >= 24 && text.contains(piece));
    });
}

// Everything the description quotes, or nothing when it is not beside us.
QStringList quotedInTheDescription()
{
    QFile spec(QStringLiteral(ORV_SOURCE_DIR "/../shared/spec.md"));
    if (!spec.open(QIODevice::ReadOnly))
        return {};
    QStringList quoted;
    static const QRegularExpression quote(QStringLiteral("\"([^\"\n]*)\""));
    for (auto it = quote.globalMatch(QString::fromUtf8(spec.readAll())); it.hasNext();)
        quoted += pieces(it.next().captured(1));
    return quoted;
}

QStringList inheritedTexts()
{
    QStringList texts;
    for (const char *text : kInheritedTexts)
        texts += QString::fromUtf8(text);
    return texts;
}

const QString kCounted = QStringLiteral("(Empfängern?|Kunden?|e-Mails?|Mails?|Nachrichten?|Dateien|Datei|Anlagen?|"
                                        "Sekunden?|Minuten?|Versuche?|Bytes?|Runden?)");

// What a careful German writer would not let pass, as a list of reasons.
QStringList faults(const QString &text, const Literal &literal)
{
    const auto rules = std::initializer_list<std::pair<const char *, QString>>{
        {"a run of blanks", "\\S  +\\S"},
        {"a counted word after a number that bypasses countedText()", "%\\d\\W*(\\p{L}+ ){0,2}" + kCounted + "\\b"},
        {"a plural after the number 1",
         "(^|[^\\d.,%])1 (\\p{L}+ )?(Empfängern|e-Mails|Nachrichten|Dateien|Anlagen|"
         "Sekunden|Minuten|Versuche|Bytes|haben|sind|werden|wurden)\\b"},
        {"a singular after a number above 1",
         "(^|[^\\d.,%])2 (\\p{L}+ )?(e-Mail(?![-s])|Nachricht|Datei|Anlage|"
         "Sekunde|Minute)\\b|(^|[^\\d.,%])2 \\p{L}+ (hat|wird|wurde)\\b"},
        {"a compound without its hyphen", "e-Mails? (?!(Sie|Ihnen|Ihre?[mnrs]?)\\b)[A-ZÄÖÜ]"},
        {"a compound without its hyphen", "\\b(ZIP|SMTP|RTF|CSV|HTML|PDF|TLS|OAuth) [A-ZÄÖÜ][a-zäöüß]"},
        {"another spelling of e-Mail", "\\b(E-Mail|Email|email|E-mail|eMail)|(?<![-\\p{L}])Mails?\\b"},
        {"another word for Kennwort", "\\bPasswort"},
        {"Ja/Nein described in the text; name the buttons by their action", "(^|\\s)(Ja|Nein):"},
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
    const QStringList described = quotedInTheDescription();
    if (described.isEmpty())
        std::cout << "The description is not beside this clone; the inherited texts are those listed here.\n";
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
            if (!described.isEmpty() && within(piece, described) && !listed)
                problems += literal.where + ": inherited, but missing from InheritedTexts.inc: " + piece;
            if (listed || !isGerman(piece))
                continue;
            ++own;
            list.write((literal.where + u'\t' + piece + u'\n').toUtf8());
            for (const QString &fault : faults(piece, literal))
                problems += literal.where + ": " + fault + ": " + piece;
        }
    }
    std::cout << own << " German texts of our own read, listed in " << list.fileName().toStdString() << '\n';
    EXPECT_GT(own, 100) << "the scanner no longer finds our texts";
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
}

TEST(GermanTexts, theListOfInheritedTextsHoldsOnlyWhatTheDescriptionQuotes)
{
    const QStringList described = quotedInTheDescription();
    if (described.isEmpty())
        GTEST_SKIP() << "the description (../shared/spec.md) is not beside this clone";
    for (const QString &text : inheritedTexts())
        EXPECT_TRUE(within(text, described)) << text.toStdString();
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
    EXPECT_EQ(countedText(3, "%n von %1", "%n von %1").arg(7), QStringLiteral("3 von 7"));
}

} // namespace
