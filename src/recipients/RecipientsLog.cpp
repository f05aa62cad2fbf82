#include "recipients/RecipientsLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.recipients.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcRecipients, "orv.recipients", QtWarningMsg)
