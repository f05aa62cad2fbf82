#include "wizard/MergeText.h"

#include "wizard/MergeField.h"

#include <QVarLengthArray>

namespace OrvVelmora {

MergeRowSource::~MergeRowSource() = default;

namespace {

// The date is built by hand: a locale-aware format would give other
// separators or orders on machines set to other regions.
QString dateText(const QDate &date)
{
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

using Positions = QVarLengthArray<qsizetype, 32>;

// Every token begins with '<'. The working text keeps the positions of all
// '<' in it, so each of the sixteen steps checks only those few places
// instead of scanning the whole text again; the positions are carried over
// (shifted, plus those inside inserted values) when a step replaces.
class WorkingText
{
public:
    explicit WorkingText(QString text) : m_text(std::move(text)) { marksOf(m_text, 0, m_marks); }

    // Non-overlapping occurrences, left to right, on the text as it is now.
    Positions occurrences(const QString &token) const
    {
        Positions found;
        qsizetype next = 0;
        for (qsizetype at : m_marks) {
            if (at >= next && QStringView(m_text).sliced(at).startsWith(token)) {
                found.append(at);
                next = at + token.size();
            }
        }
        return found;
    }

    void replace(const Positions &found, qsizetype tokenSize, const QString &value)
    {
        Positions valueMarks;
        marksOf(value, 0, valueMarks);
        QString text;
        text.reserve(m_text.size() + found.size() * (value.size() - tokenSize));
        Positions marks;
        qsizetype copied = 0;
        const qsizetype *mark = m_marks.cbegin();
        for (qsizetype at : found) {
            copySegment(copied, at, text, marks, mark);
            for (qsizetype inValue : valueMarks)
                marks.append(text.size() + inValue);
            text += value;
            copied = at + tokenSize;
        }
        copySegment(copied, m_text.size(), text, marks, mark);
        m_text = std::move(text);
        m_marks = std::move(marks);
    }

    QString take() { return std::move(m_text); }

private:
    static void marksOf(const QString &text, qsizetype offset, Positions &marks)
    {
        for (qsizetype at = text.indexOf(QLatin1Char('<')); at >= 0;
             at = text.indexOf(QLatin1Char('<'), at + 1))
            marks.append(offset + at);
    }

    // Copies m_text[from, to) and the marks inside it (mark walks m_marks).
    void copySegment(qsizetype from, qsizetype to, QString &text, Positions &marks,
                     const qsizetype *&mark) const
    {
        const qsizetype shift = text.size() - from;
        for (; mark != m_marks.cend() && *mark < to; ++mark) {
            if (*mark >= from)
                marks.append(*mark + shift);
        }
        text += QStringView(m_text).mid(from, to - from);
    }

    QString m_text;
    Positions m_marks;
};

} // namespace

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target)
{
    return MergeText(source, row, std::move(text), target, QDate::currentDate());
}

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target,
                  const QDate &today)
{
    WorkingText working(std::move(text));
    for (const MergeField &field : MergeFields()) {
        const Positions found = working.occurrences(field.token);
        if (found.isEmpty())
            continue;
        const std::optional<QString> value =
            field.columnKey.isEmpty() ? std::optional(dateText(today)) : source.cell(row, field.columnKey);
        if (!value)
            continue;
        working.replace(found, field.token.size(),
                        target == MergeTarget::RtfSource ? RtfEscape(*value) : *value);
    }
    return working.take();
}

} // namespace OrvVelmora
