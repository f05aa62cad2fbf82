#pragma once

#include <QString>

namespace OrvVelmora {

/// How a letter to one person opens: "Sehr geehrte Frau Dr. Müller",
/// "Sehr geehrter Herr Müller", "Sehr geehrte Familie Müller", and "Sehr
/// geehrte Damen und Herren" when no person is known. The three phrases can
/// be set in the settings file ("Liebe", "Lieber", "Hallo"); the comma after
/// the salutation is the writer's own.
struct SalutationPhrases
{
    /// Before "Frau …" and "Familie …".
    QString female = QStringLiteral("Sehr geehrte");
    /// Before "Herr …".
    QString male = QStringLiteral("Sehr geehrter");
    /// The whole salutation when no person is known.
    QString nobody = QStringLiteral("Sehr geehrte Damen und Herren");

    /// The salutation for a customer with this Anrede and Name. Blanks around
    /// both are dropped; what is between stays as written.
    [[nodiscard]] QString salutation(const QString &anrede, const QString &name) const;

    /// These phrases with an empty one replaced by its default.
    [[nodiscard]] SalutationPhrases orDefaults() const;
};

} // namespace OrvVelmora
