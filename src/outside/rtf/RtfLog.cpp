#include "outside/rtf/RtfLog.h"

Q_LOGGING_CATEGORY(lcRtf, "orv.rtf")
