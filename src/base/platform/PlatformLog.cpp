#include "base/platform/PlatformLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.platform.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcPlatform, "orv.platform", QtWarningMsg)
