#pragma once

#include <QString>

namespace OrvVelmora {

/// Spaces the MAIL commands of a run (each opens a message's envelope, also
/// one announced ahead) so that no more than a given number go out per
/// minute. Providers that limit the rate count those, refuse once the limit is
/// exceeded and sometimes block the account for a day; spacing evenly keeps
/// the N+1-th MAIL at least a minute after the first of any N, in every window
/// of a minute, not only on average.
class SendThrottle
{
public:
    /// Messages per minute for this server: the configured value when it is a
    /// positive number, else Microsoft's documented 30 for their submission
    /// servers, else no limit (0).
    [[nodiscard]] static int perMinuteFor(const QString &server, const QString &configured);

    /// windowMs: the length of the "minute" (shorter only in tests).
    explicit SendThrottle(int perMinute, qint64 windowMs = 60000)
        : m_perMinute(perMinute)
        , m_windowMs(windowMs)
    {
    }

    [[nodiscard]] int perMinute() const { return m_perMinute; }
    /// Milliseconds to wait at `nowMs` before the next MAIL may go.
    [[nodiscard]] qint64 waitMs(qint64 nowMs) const;
    /// A MAIL went out no later than `nowMs`.
    void sent(qint64 nowMs) { m_lastMs = nowMs; }

private:
    int m_perMinute;
    qint64 m_windowMs;
    qint64 m_lastMs = -1;
};

} // namespace OrvVelmora
