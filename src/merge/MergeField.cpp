#include "merge/MergeField.h"

namespace OrvVelmora {

namespace {

MergeField field(const char *token, const char *column, const char *toolId, int numericId, const char *caption,
                 MergeField::Kind kind = MergeField::Kind::Column)
{
    return {QString::fromLatin1(token),  QString::fromLatin1(column),
            QString::fromLatin1(toolId), numericId,
            QString::fromUtf8(caption),  kind};
}

} // namespace

const std::array<MergeField, kMergeFieldCount> &MergeFields()
{
    // The order matters: a value inserted by one row is searched by the rows
    // after it. The salutation stands just before the name, so the name in it
    // is expanded exactly as "<#KD_NAME#>" would be.
    static const std::array<MergeField, kMergeFieldCount> fields{{
        field("<#DATE#>", "", "VarDate", 20055, "Datum", MergeField::Kind::Date),
        field("<#KD_NUMMER#>", "KundenNr", "KDNummer", 20056, "Kunden Nummer"),
        field("<#KD_ANREDE#>", "Anrede", "KDAnrede", 20057, "Anrede"),
        field("<#KD_BRIEFANREDE#>", "", "KDBriefAnrede", 20071, "Briefanrede", MergeField::Kind::Salutation),
        field("<#KD_NAME#>", "Name", "KDName", 20059, "Name"),
        field("<#KD_VORNAME#>", "Vorname", "KDVorname", 20058, "Vorname"),
        field("<#KD_FIRMA#>", "Firma", "KDFirma", 20060, "Firma"),
        field("<#KD_ZUSATZ#>", "Zusatz", "KDZusatz", 20061, "Firmenzusatz"),
        field("<#KD_ANSPRECHPARTNER#>", "AnsprechPartner", "KDAnsprechPartner", 20062, "Ansprechpartner"),
        field("<#KD_STRASSE#>", "Strasse", "KDStrasse", 20063, "Strasse"),
        field("<#KD_PLZ#>", "PLZ", "KDPLZ", 20064, "PLZ"),
        field("<#KD_ORT#>", "Ort", "KDOrt", 20065, "Ort"),
        field("<#KD_LAND#>", "Land", "KDLand", 20066, "Land"),
        field("<#KD_FREIFELD1#>", "FreiFeld1", "KDFreiFeld1", 20068, "Freifeld 1"),
        field("<#KD_FREIFELD2#>", "FreiFeld2", "KDFreiFeld2", 20069, "Freifeld 2"),
        field("<#KD_FREIFELD3#>", "FreiFeld3", "KDFreiFeld3", 20070, "Freifeld 3"),
        field("<#KD_EMail#>", "EMail", "KDEMail", 20067, "e-Mail Adresse"),
    }};
    return fields;
}

const MergeField *mergeFieldForTool(const QString &toolId)
{
    for (const MergeField &f : MergeFields()) {
        if (f.toolId == toolId)
            return &f;
    }
    return nullptr;
}

} // namespace OrvVelmora
