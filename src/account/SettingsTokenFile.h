#pragma once

#include "net/oauth/OAuthTokenStore.h"

namespace OrvVelmora {

/// The refresh token's place in the settings file ("OAuthToken" in the section
/// "Velmora"), for the token store when no keyring answers. settingsFile as
/// SettingsFileStore takes it (empty: the per-user file).
OAuthTokenFile settingsTokenFile(const QString &settingsFile);

} // namespace OrvVelmora
