#include "settings/SettingsLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.settings.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcSettings, "orv.settings", QtWarningMsg)
