#include "component/ComponentLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.component.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcComponent, "orv.component", QtWarningMsg)
