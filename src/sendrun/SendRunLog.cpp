#include "sendrun/SendRunLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.sendrun.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcSendRun, "orv.sendrun", QtWarningMsg)
