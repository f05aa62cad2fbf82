#include "codec/rtf/RtfLog.h"

Q_LOGGING_CATEGORY(lcRtf, "orv.rtf")
