#include "account/AccountLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.account.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcAccount, "orv.account", QtWarningMsg)
