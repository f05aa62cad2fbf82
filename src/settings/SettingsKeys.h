#pragma once

namespace OrvVelmora::SettingsKeys {

// The section and keys of the settings file. Hosts and older installations
// share these files, so the names are fixed, German and all.
inline constexpr char Section[] = "Velmora";
inline constexpr char Name[] = "Name";
inline constexpr char EMail[] = "EMail";
inline constexpr char Firma[] = "Firma";
inline constexpr char AntwortAdresse[] = "AntwortAdresse";
inline constexpr char Server[] = "Server";
inline constexpr char Port[] = "Port";
inline constexpr char USR[] = "USR";
inline constexpr char PWD[] = "PWD";
/// Read only: a PEM file with a private certificate authority.
inline constexpr char CAFile[] = "CAFile";

// Real accounts: browser sign-in, a trusted certificate, an unencrypted relay.
inline constexpr char OAuth[] = "OAuth";
inline constexpr char OAuthClientId[] = "OAuthClientId";
inline constexpr char OAuthTenant[] = "OAuthTenant";
inline constexpr char Zertifikat[] = "Zertifikat";
inline constexpr char Verschluesselung[] = "Verschluesselung";
/// Read only: where the provider's sign-in lives, for organisations (and
/// tests) that do not use the provider's own endpoints.
inline constexpr char OAuthAuthorizeUrl[] = "OAuthAuthorizeUrl";
inline constexpr char OAuthTokenUrl[] = "OAuthTokenUrl";
inline constexpr char OAuthScope[] = "OAuthScope";
/// Written by the sign-in only where no keyring answers.
inline constexpr char OAuthToken[] = "OAuthToken";
/// Read only: "1" keeps the SMTP password in the file ("PWD") even where a
/// keyring answers, for hosts that read the password from the file themselves.
inline constexpr char KennwortInDatei[] = "KennwortInDatei";
/// Read only: the phrases of "<#KD_BRIEFANREDE#>" before "Frau …"/"Familie …",
/// before "Herr …", and the whole salutation when no person is known.
inline constexpr char BriefanredeFrau[] = "BriefanredeFrau";
inline constexpr char BriefanredeHerr[] = "BriefanredeHerr";
inline constexpr char BriefanredeAllgemein[] = "BriefanredeAllgemein";

} // namespace OrvVelmora::SettingsKeys
