#include "journal/RunTally.h"

namespace OrvVelmora {

void RunTally::clear()
{
    m_rows.clear();
    m_counts = {};
}

void RunTally::add(qint32 row, Standing standing)
{
    if (m_rows.contains(row))
        return;
    m_rows.insert(row, standing);
    ++m_counts.total;
    count(standing, 1);
}

void RunTally::set(qint32 row, Standing standing)
{
    const auto found = m_rows.find(row);
    if (found == m_rows.end() || *found == standing)
        return;
    count(*found, -1);
    *found = standing;
    count(standing, 1);
}

std::optional<Standing> RunTally::standing(qint32 row) const
{
    const auto found = m_rows.constFind(row);
    return found == m_rows.cend() ? std::nullopt : std::optional<Standing>(*found);
}

void RunTally::count(Standing standing, qint32 delta)
{
    switch (standing) {
    case Standing::Sent: m_counts.sent += delta; break;
    case Standing::NotSent: m_counts.notSent += delta; break;
    case Standing::Uncertain: m_counts.uncertain += delta; break;
    case Standing::Open: break;
    }
}

} // namespace OrvVelmora
