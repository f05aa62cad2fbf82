#pragma once

#include <QString>

#include <exception>

namespace OrvVelmora {

/// A failed conversion, with the number and description the user is shown
/// when a test mail ends unexpectedly ("number<TAB>description").
class ConversionError : public std::exception
{
public:
    ConversionError(int number, QString description);
    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] QString description() const { return m_description; }
    [[nodiscard]] const char *what() const noexcept override;

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

/// The port field's text as a 32-bit number: decimal digits with an optional
/// sign and fraction (point or comma), blanks around it allowed, rounded half
/// to even. Throws ConversionError 13 "Typen unverträglich" for a text that is
/// not a number (the empty text included) and 6 "Überlauf" for a number outside
/// the 32-bit range.
[[nodiscard]] qint32 portFromText(const QString &text);

} // namespace OrvVelmora
