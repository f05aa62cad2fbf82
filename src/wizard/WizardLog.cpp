#include "wizard/WizardLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.wizard.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcWizard, "orv.wizard", QtWarningMsg)
