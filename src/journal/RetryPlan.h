#pragma once

#include <QList>

namespace OrvVelmora {

/// When recipients refused for now are tried again: after the run, in rounds,
/// each after a longer wait (30, 60 and 120 s), because a server that asks to
/// try later mostly means a few minutes, and a person waits no longer than that.
class RetryPlan
{
public:
    RetryPlan()
        : RetryPlan({30000, 60000, 120000})
    {
    }
    explicit RetryPlan(QList<int> waitsMs)
        : m_waitsMs(std::move(waitsMs))
    {
    }

    [[nodiscard]] int rounds() const { return int(m_waitsMs.size()); }
    /// Wait before round 1..rounds(), in milliseconds.
    [[nodiscard]] int waitBefore(int round) const { return m_waitsMs.value(round - 1); }

private:
    QList<int> m_waitsMs;
};

} // namespace OrvVelmora
