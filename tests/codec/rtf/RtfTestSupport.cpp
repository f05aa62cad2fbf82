#include "RtfTestSupport.h"

#include <QHash>
#include <QRegularExpression>

namespace OrvVelmora::Testing {

QStringList normalisedWords(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral(
        "^\\s*([\\x{2022}\\x{25E6}\\x{25AA}\\x{25CF}\\x{00B7}\\x{F0B7}\\-o]|\\d+[.)]|[a-zA-Z][.)])\\s+"));
    static const QRegularExpression lineBreak(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]"));
    QStringList words;
    for (QString line : text.split(lineBreak)) {
        line.remove(QChar(0xFEFF));
        line.remove(marker);
        for (QChar &c : line) {
            if (c.isSpace())
                c = u' ';
        }
        words += line.split(u' ', Qt::SkipEmptyParts);
    }
    return words;
}

double wordCoverage(const QStringList &expected, const QStringList &actual)
{
    if (expected.isEmpty())
        return 1.0;
    QHash<QString, int> available;
    for (const QString &word : actual)
        ++available[word];
    int found = 0;
    for (const QString &word : expected) {
        int &left = available[word];
        if (left > 0) {
            --left;
            ++found;
        }
    }
    return double(found) / double(expected.size());
}

} // namespace OrvVelmora::Testing
