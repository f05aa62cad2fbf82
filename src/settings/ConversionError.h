#pragma once

#include <QByteArray>
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

} // namespace OrvVelmora
