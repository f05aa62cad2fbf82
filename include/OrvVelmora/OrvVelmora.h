#pragma once

/* C entry points for hosts that load the component at run time (dlopen) and
   cannot use the C++ class directly. All calls must come from the GUI thread
   of a running QApplication. */

#include <OrvVelmora/Export.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OrvVelmoraMail OrvVelmoraMail;

/* Creates a component. Returns NULL only when memory runs out. */
ORVVELMORA_EXPORT OrvVelmoraMail *OrvVelmora_Create(void);
ORVVELMORA_EXPORT void OrvVelmora_Destroy(OrvVelmoraMail *mail);
/* Uses the Qt SQL connection registered under this name (QSqlDatabase::database). */
ORVVELMORA_EXPORT int OrvVelmora_SetConnectionName(OrvVelmoraMail *mail, const char *connectionName);
/* UTF-8 path of the settings file; NULL or "" selects the per-user default file. */
ORVVELMORA_EXPORT int OrvVelmora_SetConfigFileName(OrvVelmoraMail *mail, const char *fileName);
/* 0 when the wizard ran and was closed, non-zero when the launch failed. */
ORVVELMORA_EXPORT int OrvVelmora_ShowDialog(OrvVelmoraMail *mail);

#ifdef __cplusplus
}
#endif
