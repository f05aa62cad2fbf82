#pragma once

#include <QString>

namespace OrvVelmora {

/// The text without the blanks (spaces) at its start and end. Unlike
/// QString::trimmed() it keeps tabs and line breaks: a message text made only
/// of line breaks is not empty to the forms' checks.
[[nodiscard]] inline QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace OrvVelmora
