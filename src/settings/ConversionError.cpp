#include "settings/ConversionError.h"

namespace OrvVelmora {

ConversionError::ConversionError(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1\t%2").arg(number).arg(m_description).toUtf8())
{
}

const char *ConversionError::what() const noexcept
{
    return m_what.constData();
}

} // namespace OrvVelmora
