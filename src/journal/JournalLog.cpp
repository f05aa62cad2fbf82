#include "journal/JournalLog.h"

Q_LOGGING_CATEGORY(lcJournal, "orv.journal")
