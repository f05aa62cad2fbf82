#include "component/settings/PortConversion.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace OrvVelmora {

namespace {

constexpr int kTypeMismatch = 13;
constexpr int kOverflow = 6;

} // namespace

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

qint32 portFromText(const QString &text)
{
    // A German user may type a decimal comma; the C locale reads the point.
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        throw ConversionError(kTypeMismatch, QStringLiteral("Typen unverträglich"));
    const double rounded = std::nearbyint(value); // default rounding mode: half to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        throw ConversionError(kOverflow, QStringLiteral("Überlauf"));
    return static_cast<qint32>(rounded);
}

} // namespace OrvVelmora
