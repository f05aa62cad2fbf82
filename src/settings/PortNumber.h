#pragma once

#include <QString>

namespace OrvVelmora {

/// How a port text reads: one reading for the settings file and the account
/// dialog alike. A number is decimal in C notation (optionally signed, with a
/// point or an exponent) and is rounded half to even.
struct PortNumber
{
    enum class Reading { Number, NotANumber, OutOfRange };

    Reading reading = Reading::NotANumber;
    qint32 value = 0;

    [[nodiscard]] static PortNumber read(const QString &text);
};

/// The port as the settings file gives it: anything that is not a number, the
/// empty text included, gives 25; a number outside the 32-bit range leaves
/// `current` as it was.
[[nodiscard]] qint32 portFromSettings(const QString &text, qint32 current);

/// The account dialog's port field: blanks around the number are allowed and a
/// German decimal comma reads as a point. Throws ConversionError 13 "Typen
/// unverträglich" for a text that is not a number (the empty text included)
/// and 6 "Überlauf" for a number outside the 32-bit range.
[[nodiscard]] qint32 portFromText(const QString &text);

} // namespace OrvVelmora
