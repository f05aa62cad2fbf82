#include "net/smtp/SmtpLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.smtp.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcSmtp, "orv.smtp", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSmtpTrace, "orv.smtp.trace", QtWarningMsg)
