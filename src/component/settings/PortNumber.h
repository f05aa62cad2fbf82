#pragma once

#include <QString>

namespace OrvVelmora::PortText {

/// The port stored as text, as the account settings read it: a number (digits,
/// optionally signed, with a decimal point or an exponent; rounded half to even)
/// gives its value; anything that is not a number, the empty text included,
/// gives 25; a number outside the 32-bit range leaves `current` as it was.
qint32 toPort(const QString &text, qint32 current);

} // namespace OrvVelmora::PortText
