#include "account/SettingsTokenFile.h"

#include "settings/SettingsFileStore.h"
#include "settings/SettingsKeys.h"

namespace OrvVelmora {

OAuthTokenFile settingsTokenFile(const QString &settingsFile)
{
    const QString section = QLatin1String(SettingsKeys::Section);
    const QString key = QLatin1String(SettingsKeys::OAuthToken);
    return {[=] { return SettingsFileStore().ReadValue(section, key, settingsFile); },
            [=](const QString &value) { return SettingsFileStore().WriteValue(section, key, value, settingsFile); }};
}

} // namespace OrvVelmora
