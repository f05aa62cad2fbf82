#pragma once

#include <QLocale>
#include <QString>

namespace OrvVelmora {

/// The one of two phrasings that agrees with `count`, with "%n" replaced by
/// the count as German writes numbers ("1 Empfänger hat", "1.250 Empfänger
/// haben"). German takes the singular for exactly one and the plural for
/// every other number, none included, so a sentence that counts must pass
/// through here instead of putting the number into a plural text. Other
/// placeholders (%1, %2) are left for arg().
inline QString countedText(qint64 count, const QString &one, const QString &many)
{
    QString text = count == 1 ? one : many;
    return text.replace(QLatin1String("%n"), QLocale(QLocale::German, QLocale::Germany).toString(count));
}

} // namespace OrvVelmora
