#pragma once

#include <QString>

namespace OrvVelmora {

/// Numbers of recipients in German sentences of our own, with the noun and
/// the verb agreeing: "1 Empfänger hat", "12 Empfänger haben", "bei 1
/// Empfänger", "bei 12 Empfängern".
class GermanCount
{
public:
    /// "1 Empfänger hat" / "12 Empfänger haben".
    [[nodiscard]] static QString recipientsHave(qint64 count);
    /// The dative after "bei", "an", "von": "1 Empfänger" / "12 Empfängern".
    [[nodiscard]] static QString recipientsDative(qint64 count);
    /// "1 e-Mail" / "12 e-Mails".
    [[nodiscard]] static QString mails(qint64 count);
};

} // namespace OrvVelmora
