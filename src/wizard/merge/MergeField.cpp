#include "wizard/merge/MergeField.h"

namespace OrvVelmora {

const std::array<MergeField, 16> &MergeFields()
{
    // The order matters: a value inserted by one row is searched by the rows after it.
    static const std::array<MergeField, 16> fields{{
        {QStringLiteral("<#DATE#>"), QString()},
        {QStringLiteral("<#KD_NUMMER#>"), QStringLiteral("KundenNr")},
        {QStringLiteral("<#KD_ANREDE#>"), QStringLiteral("Anrede")},
        {QStringLiteral("<#KD_NAME#>"), QStringLiteral("Name")},
        {QStringLiteral("<#KD_VORNAME#>"), QStringLiteral("Vorname")},
        {QStringLiteral("<#KD_FIRMA#>"), QStringLiteral("Firma")},
        {QStringLiteral("<#KD_ZUSATZ#>"), QStringLiteral("Zusatz")},
        {QStringLiteral("<#KD_ANSPRECHPARTNER#>"), QStringLiteral("AnsprechPartner")},
        {QStringLiteral("<#KD_STRASSE#>"), QStringLiteral("Strasse")},
        {QStringLiteral("<#KD_PLZ#>"), QStringLiteral("PLZ")},
        {QStringLiteral("<#KD_ORT#>"), QStringLiteral("Ort")},
        {QStringLiteral("<#KD_LAND#>"), QStringLiteral("Land")},
        {QStringLiteral("<#KD_FREIFELD1#>"), QStringLiteral("FreiFeld1")},
        {QStringLiteral("<#KD_FREIFELD2#>"), QStringLiteral("FreiFeld2")},
        {QStringLiteral("<#KD_FREIFELD3#>"), QStringLiteral("FreiFeld3")},
        {QStringLiteral("<#KD_EMail#>"), QStringLiteral("EMail")},
    }};
    return fields;
}

} // namespace OrvVelmora
