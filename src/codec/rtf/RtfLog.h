#pragma once

#include <QLoggingCategory>

// The codec's own category: it builds without the platform library (the
// sanitizer build compiles this folder alone).
Q_DECLARE_LOGGING_CATEGORY(lcRtf)
