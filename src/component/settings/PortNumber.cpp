#include "component/settings/PortText.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <limits>

namespace OrvVelmora::PortText {

qint32 toPort(const QString &text, qint32 current)
{
    constexpr qint32 kDefaultPort = 25;
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return kDefaultPort;
    const double rounded = std::nearbyint(value); // default rounding mode: half to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return current;
    return static_cast<qint32>(rounded);
}

} // namespace OrvVelmora::PortText
