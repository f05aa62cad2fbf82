#pragma once

#include <QString>

namespace OrvVelmora {

/// Spaces the messages of a run so that no more than a given number leave per
/// minute. Providers that limit the rate refuse, and sometimes block the
/// account for a day, once it is exceeded; spacing evenly stays below the
/// limit in every window of a minute, not only on average.
class SendThrottle
{
public:
    /// Messages per minute for this server: the configured value when it is a
    /// positive number, else Microsoft's documented 30 for their submission
    /// servers, else no limit (0).
    [[nodiscard]] static int perMinuteFor(const QString &server, const QString &configured);

    explicit SendThrottle(int perMinute)
        : m_perMinute(perMinute)
    {
    }

    [[nodiscard]] int perMinute() const { return m_perMinute; }
    /// Milliseconds to wait at `nowMs` before the next message may go.
    [[nodiscard]] qint64 waitMs(qint64 nowMs) const;
    /// A message went out at `nowMs`.
    void sent(qint64 nowMs) { m_lastMs = nowMs; }

private:
    int m_perMinute;
    qint64 m_lastMs = -1;
};

} // namespace OrvVelmora
