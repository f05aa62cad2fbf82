#include "editor/FontSizeText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace OrvVelmora::FontSizeText {

namespace {

QLocale userLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QString format(double points)
{
    return userLocale().toString(points, 'g', QLocale::FloatingPointShortest);
}

std::optional<int> parse(const QString &text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // nearbyint rounds in the default mode: to nearest, ties to even.
    const double whole = std::nearbyint(value);
    if (whole < 1 || whole > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(whole);
}

} // namespace OrvVelmora::FontSizeText
