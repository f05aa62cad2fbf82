#pragma once

#include <QString>

#include <stdexcept>

namespace OrvVelmora {

/// Thrown when a counter label does not hold a number the run can add to.
class SendCounterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// The send pane keeps its two counters ("Gesendete Mails", "Nicht gesendete
/// Mails") nowhere but in their labels, as decimal text, so that a second run
/// in the same form simply goes on counting. A count is the label's number
/// plus one: blanks around the number and a sign are accepted; anything else,
/// and a count that would leave the 32-bit range, is refused with
/// SendCounterError, which makes the send step count nothing.
[[nodiscard]] QString nextCounterText(const QString &labelText);

} // namespace OrvVelmora
