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

} // namespace OrvVelmora::SettingsKeys
