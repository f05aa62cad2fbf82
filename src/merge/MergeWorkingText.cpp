#include "merge/MergeWorkingText.h"

namespace OrvVelmora {

MergeWorkingText::MergeWorkingText(QString text)
    : m_text(std::move(text))
{
    marksOf(m_text, m_marks);
}

MergeWorkingText::Positions MergeWorkingText::occurrences(const QString &token) const
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

void MergeWorkingText::replace(const Positions &found, qsizetype tokenSize, const QString &value)
{
    Positions valueMarks;
    marksOf(value, valueMarks);
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

void MergeWorkingText::marksOf(const QString &text, Positions &marks)
{
    for (qsizetype at = text.indexOf(QLatin1Char('<')); at >= 0; at = text.indexOf(QLatin1Char('<'), at + 1))
        marks.append(at);
}

// Appends m_text[from, to) to text, with the marks inside it shifted to their
// new places; mark walks m_marks and skips those of the replaced tokens.
void MergeWorkingText::copySegment(qsizetype from, qsizetype to, QString &text, Positions &marks,
                                   const qsizetype *&mark) const
{
    const qsizetype shift = text.size() - from;
    for (; mark != m_marks.cend() && *mark < to; ++mark) {
        if (*mark >= from)
            marks.append(*mark + shift);
    }
    text += QStringView(m_text).mid(from, to - from);
}

} // namespace OrvVelmora
