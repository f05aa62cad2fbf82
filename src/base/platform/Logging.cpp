#include "base/platform/Logging.h"

Q_LOGGING_CATEGORY(lcSmtp, "orv.smtp")
Q_LOGGING_CATEGORY(lcWizard, "orv.wizard")
Q_LOGGING_CATEGORY(lcSendRun, "orv.sendrun")
Q_LOGGING_CATEGORY(lcSettings, "orv.settings")
Q_LOGGING_CATEGORY(lcEditor, "orv.editor")
Q_LOGGING_CATEGORY(lcAccount, "orv.account")
Q_LOGGING_CATEGORY(lcPlatform, "orv.platform")
Q_LOGGING_CATEGORY(lcComponent, "orv.component")
