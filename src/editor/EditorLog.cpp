#include "editor/EditorLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.editor.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcEditor, "orv.editor", QtWarningMsg)
