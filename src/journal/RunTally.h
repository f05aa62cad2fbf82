#pragma once

#include <QHash>

#include <optional>

namespace OrvVelmora {

/// Where one recipient of a run stands as the person watching it reads it.
enum class Standing {
    Open,      ///< not reached yet, or waiting (a refusal for now, a provider's pause)
    Sent,      ///< the server accepted the message
    NotSent,   ///< refused for good, or not reached in this run (no connection, a file of ours missing)
    Uncertain, ///< the connection ended after the message, before the reply
};

/// The counts of a run at one moment; they always add up to total.
struct RunCounts
{
    qint32 total = 0;
    qint32 sent = 0;
    qint32 notSent = 0;
    qint32 uncertain = 0;

    [[nodiscard]] qint32 open() const { return total - sent - notSent - uncertain; }
    [[nodiscard]] qint32 settled() const { return sent + notSent + uncertain; }
};

/// The one account of a run. Every recipient of the run enters it once with
/// a standing and afterwards only moves between standings; the counters,
/// the progress bars and the run's questions all read their numbers here, so
/// they cannot disagree with each other or with the failure list.
///
/// A recipient is known by its row in the recipient list. Rows the run does
/// not send to at all (a second row with the same address, sent once) never
/// enter, so they are in no count.
class RunTally
{
public:
    /// Forgets every recipient.
    void clear();
    /// Enters a row; a row entered before keeps its standing.
    void add(qint32 row, Standing standing);
    /// Moves an entered row to this standing; a row never entered is ignored.
    void set(qint32 row, Standing standing);
    [[nodiscard]] std::optional<Standing> standing(qint32 row) const;
    [[nodiscard]] const RunCounts &counts() const { return m_counts; }

private:
    void count(Standing standing, qint32 delta);

    QHash<qint32, Standing> m_rows;
    RunCounts m_counts;
};

} // namespace OrvVelmora
