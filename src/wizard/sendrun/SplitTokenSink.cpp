#include "wizard/sendrun/SplitTokenSink.h"

#include "wizard/merge/MergeField.h"

namespace OrvVelmora {

SplitTokenSink::SplitTokenSink(RtfSink &next, const MergeRowSource &source, int row, const QDate &today)
    : m_next(next)
    , m_source(source)
    , m_row(row)
    , m_today(today)
{
}

void SplitTokenSink::characters(const QString &text, const RtfCharStyle &style)
{
    if (!m_runs.isEmpty() && m_runs.last().style == style)
        m_runs.last().text += text;
    else
        m_runs.append({text, style});
}

void SplitTokenSink::paragraphEnd(const RtfParaStyle &style)
{
    flush();
    m_next.paragraphEnd(style);
}

void SplitTokenSink::documentEnd(const RtfParaStyle &style)
{
    flush();
    m_next.documentEnd(style);
}

// Walks the paragraph's text once; at each '<' the tokens are tried in the
// merge's order. Text between tokens keeps the formatting of its own run.
void SplitTokenSink::flush()
{
    QString joined;
    QList<qsizetype> runOf;
    for (qsizetype index = 0; index < m_runs.size(); ++index) {
        joined += m_runs.at(index).text;
        runOf.insert(runOf.size(), m_runs.at(index).text.size(), index);
    }
    const auto styleAt = [&](qsizetype position) -> const RtfCharStyle & {
        return m_runs.at(runOf.at(position)).style;
    };
    QList<Run> merged;
    const auto append = [&merged](const QString &text, const RtfCharStyle &style) {
        if (text.isEmpty())
            return;
        if (!merged.isEmpty() && merged.last().style == style)
            merged.last().text += text;
        else
            merged.append({text, style});
    };
    for (qsizetype at = 0; at < joined.size();) {
        if (joined.at(at) == u'<') {
            const MergeField *hit = nullptr;
            for (const MergeField &field : MergeFields()) {
                if (QStringView(joined).sliced(at).startsWith(field.token)) {
                    hit = &field;
                    break;
                }
            }
            if (hit) {
                if (const std::optional<QString> value = valueOf(hit->token)) {
                    append(*value, styleAt(at));
                    at += hit->token.size();
                    continue;
                }
            }
        }
        append(joined.at(at), styleAt(at));
        ++at;
    }
    for (const Run &run : std::as_const(merged))
        m_next.characters(run.text, run.style);
    m_runs.clear();
}

std::optional<QString> SplitTokenSink::valueOf(const QString &token) const
{
    // MergeText replaces the token standing alone; a text holding only it
    // comes back unchanged when the cell cannot be read.
    const QString value = MergeText(m_source, m_row, token, MergeTarget::PlainText, m_today);
    if (value == token)
        return std::nullopt;
    return value;
}

} // namespace OrvVelmora
