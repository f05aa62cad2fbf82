#include "journal/JournalLog.h"

// Warnings and worse by default; QT_LOGGING_RULES="orv.journal.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcJournal, "orv.journal", QtWarningMsg)
