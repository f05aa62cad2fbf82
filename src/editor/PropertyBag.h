#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace OrvVelmora {

/// The saved properties of a control, as its container keeps them: named
/// values where a value equal to its default is not written at all and a
/// missing key reads as its default. The container stores values() wherever
/// it keeps its own state.
class PropertyBag
{
public:
    PropertyBag() = default;
    explicit PropertyBag(QVariantMap values)
        : m_values(std::move(values))
    {
    }

    [[nodiscard]] QVariant ReadProperty(const QString &key, const QVariant &defaultValue) const;
    /// Writes the value, or removes the key when the value equals its default.
    void WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue);

    [[nodiscard]] const QVariantMap &values() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace OrvVelmora
