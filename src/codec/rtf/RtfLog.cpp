#include "codec/rtf/RtfLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.rtf.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcRtf, "orv.rtf", QtWarningMsg)
