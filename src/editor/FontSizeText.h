#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

/// Font sizes as the size box shows them, in the user's regional number
/// format: "10", and "10,5" under a German format.
namespace FontSizeText {

/// The size written without a fractional part when it is whole.
[[nodiscard]] QString format(double points);
/// The typed size as a whole number of points, halves going to the even
/// neighbour; nothing for a text that is no number, lies outside the 16-bit
/// range or is not above 0.
[[nodiscard]] std::optional<int> parse(const QString &text);

} // namespace FontSizeText

} // namespace OrvVelmora
