#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSmtp)
/// The SMTP dialogue, secrets blanked out (SmtpTrace); off unless switched on.
Q_DECLARE_LOGGING_CATEGORY(lcSmtpTrace)
