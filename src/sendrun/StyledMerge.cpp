#include "sendrun/StyledMerge.h"

#include "merge/MergeField.h"

namespace OrvVelmora {

namespace {

constexpr QChar kLineBreak(0x2028);

// The paragraph's text with, for every character, the index of the run whose
// formatting it carries.
struct IndexedText
{
    QString text;
    QList<qsizetype> runOf;
};

IndexedText indexed(const StyledRuns &paragraph)
{
    IndexedText result;
    for (qsizetype index = 0; index < paragraph.size(); ++index) {
        result.text += paragraph.at(index).text;
        result.runOf.insert(result.runOf.size(), paragraph.at(index).text.size(), index);
    }
    return result;
}

// Every occurrence of the token, left to right and without overlap, becomes the value.
void replaceAll(IndexedText &current, const QString &token, const QString &value)
{
    IndexedText next;
    qsizetype from = 0;
    for (qsizetype at = current.text.indexOf(token); at >= 0; at = current.text.indexOf(token, from)) {
        next.text += QStringView(current.text).sliced(from, at - from);
        next.runOf.append(current.runOf.mid(from, at - from));
        next.text += value;
        next.runOf.insert(next.runOf.size(), value.size(), current.runOf.at(at));
        from = at + token.size();
    }
    next.text += QStringView(current.text).sliced(from);
    next.runOf.append(current.runOf.mid(from));
    current = std::move(next);
}

// Runs keep their bounds; two runs that became neighbours because everything
// between them was replaced by nothing are joined when equally formatted, as
// the reader joins the text around an empty group.
StyledRuns regrouped(const IndexedText &merged, const StyledRuns &paragraph)
{
    StyledRuns runs;
    qsizetype previous = -1;
    for (qsizetype at = 0; at < merged.text.size();) {
        const qsizetype run = merged.runOf.at(at);
        qsizetype end = at + 1;
        while (end < merged.text.size() && merged.runOf.at(end) == run)
            ++end;
        const QStringView text = QStringView(merged.text).sliced(at, end - at);
        const RtfCharStyle &style = paragraph.at(run).style;
        if (previous >= 0 && run > previous + 1 && runs.last().style == style)
            runs.last().text += text;
        else
            runs.append({text.toString(), style});
        previous = run;
        at = end;
    }
    return runs;
}

} // namespace

StyledMerge::StyledMerge(const MergeRowSource &source, int row, const QDate &today)
    : m_source(source)
    , m_row(row)
    , m_today(today)
{
}

StyledRuns StyledMerge::merged(const StyledRuns &paragraph)
{
    IndexedText current = indexed(paragraph);
    for (std::size_t field = 0; field < MergeFields().size(); ++field) {
        const QString &token = MergeFields()[field].token;
        if (!current.text.contains(token))
            continue;
        if (const std::optional<QString> &text = value(field))
            replaceAll(current, token, *text);
    }
    return regrouped(current, paragraph);
}

bool StyledMerge::holdsPlaceholder(const StyledRuns &paragraph)
{
    QString text;
    for (const StyledRun &run : paragraph)
        text += run.text;
    // Every token begins with "<#".
    return text.contains(QLatin1String("<#"));
}

const std::optional<QString> &StyledMerge::value(std::size_t field)
{
    std::optional<std::optional<QString>> &cached = m_values.at(field);
    if (!cached) {
        const std::optional<QString> raw = MergeValue(MergeFields()[field], m_source, m_row, m_today);
        cached.emplace(raw ? std::optional(shown(*raw)) : std::nullopt);
    }
    return *cached;
}

QString StyledMerge::shown(const QString &value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t unit = value.at(i).unicode();
        if (unit == u'\r' && i + 1 < value.size() && value.at(i + 1) == u'\n')
            continue; // CR LF is one break; the LF writes it.
        if (unit == u'\r' || unit == u'\n' || unit == 0x2028 || unit == 0x2029)
            text += kLineBreak;
        else if (unit == u'\t' || (unit >= 0x20 && unit != 0xFFFC))
            text += QChar(unit);
    }
    return text;
}

} // namespace OrvVelmora
