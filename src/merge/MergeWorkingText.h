#pragma once

#include <QString>
#include <QVarLengthArray>

namespace OrvVelmora {

/// The text the merge works on, step after step. Every token begins with '<',
/// so the working text keeps the positions of all '<' in it: each of the
/// steps checks only those few places instead of scanning the whole
/// text again. The positions are carried over (shifted, plus those inside the
/// inserted values) when a step replaces, so a token that a value brings in,
/// or that a value completes together with the text around it, is still found
/// by the steps after it.
class MergeWorkingText
{
public:
    using Positions = QVarLengthArray<qsizetype, 32>;

    explicit MergeWorkingText(QString text);

    /// Non-overlapping occurrences, left to right, in the text as it is now.
    [[nodiscard]] Positions occurrences(const QString &token) const;
    /// Replaces the occurrences found (all of one token) by value.
    void replace(const Positions &found, qsizetype tokenSize, const QString &value);
    [[nodiscard]] QString take() { return std::move(m_text); }

private:
    static void marksOf(const QString &text, Positions &marks);
    void copySegment(qsizetype from, qsizetype to, QString &text, Positions &marks, const qsizetype *&mark) const;

    QString m_text;
    Positions m_marks;
};

} // namespace OrvVelmora
