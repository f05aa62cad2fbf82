#include "sendrun/SendCounter.h"

#include <limits>

namespace OrvVelmora {

QString nextCounterText(const QString &labelText)
{
    bool ok = false;
    const qint32 count = labelText.trimmed().toInt(&ok, 10);
    if (!ok)
        throw SendCounterError("counter label is not a number");
    if (count == std::numeric_limits<qint32>::max())
        throw SendCounterError("counter label is at the end of its range");
    return QString::number(count + 1);
}

} // namespace OrvVelmora
