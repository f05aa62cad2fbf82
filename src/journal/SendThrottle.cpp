#include "journal/SendThrottle.h"

#include <algorithm>

namespace OrvVelmora {

int SendThrottle::perMinuteFor(const QString &server, const QString &configured)
{
    bool ok = false;
    const int value = configured.trimmed().toInt(&ok);
    if (ok && value > 0)
        return value;
    const QString host = server.trimmed().toLower();
    if (host == QLatin1String("smtp.office365.com") || host == QLatin1String("smtp-mail.outlook.com"))
        return 30;
    return 0;
}

qint64 SendThrottle::waitMs(qint64 nowMs) const
{
    if (m_perMinute <= 0 || m_lastMs < 0)
        return 0;
    const qint64 spacing = (m_windowMs + m_perMinute - 1) / m_perMinute;
    return std::max<qint64>(0, m_lastMs + spacing - nowMs);
}

} // namespace OrvVelmora
