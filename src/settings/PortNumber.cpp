#include "settings/PortNumber.h"

#include "settings/ConversionError.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace OrvVelmora {

namespace {

constexpr qint32 kDefaultPort = 25;
constexpr int kTypeMismatch = 13;
constexpr int kOverflow = 6;

} // namespace

PortNumber PortNumber::read(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return {Reading::NotANumber, 0};
    const double rounded = std::nearbyint(value); // default rounding mode: half to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return {Reading::OutOfRange, 0};
    return {Reading::Number, static_cast<qint32>(rounded)};
}

qint32 portFromSettings(const QString &text, qint32 current)
{
    const PortNumber port = PortNumber::read(text);
    switch (port.reading) {
    case PortNumber::Reading::Number: return port.value;
    case PortNumber::Reading::OutOfRange: return current;
    case PortNumber::Reading::NotANumber: break;
    }
    return kDefaultPort;
}

qint32 portFromText(const QString &text)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    const PortNumber port = PortNumber::read(number);
    if (port.reading == PortNumber::Reading::NotANumber)
        throw ConversionError(kTypeMismatch, QStringLiteral("Typen unverträglich"));
    if (port.reading == PortNumber::Reading::OutOfRange)
        throw ConversionError(kOverflow, QStringLiteral("Überlauf"));
    return port.value;
}

} // namespace OrvVelmora
