#pragma once

/* C entry points for hosts that load the component at run time (dlopen) and
   cannot use the C++ class directly. All calls must come from the GUI thread
   of a running QApplication. */

#include <OrvVelmora/Export.h>

#include <stddef.h>

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

/* Every call below returns 0 on success and non-zero when mail (or another
   required pointer) is NULL or an argument is out of range.

   Text getters copy UTF-8 with a terminating NUL into buffer. *size gives the
   buffer's size in bytes on entry and holds the size the text needs (NUL
   included) on return; when the buffer is too small (or NULL) nothing is
   copied and the call returns non-zero, so a host may ask for the size first. */

/* The name of the Qt SQL connection in use; "" before one was set. */
ORVVELMORA_EXPORT int OrvVelmora_GetConnectionName(OrvVelmoraMail *mail, char *buffer, size_t *size);
ORVVELMORA_EXPORT int OrvVelmora_GetConfigFileName(OrvVelmoraMail *mail, char *buffer, size_t *size);

/* Anything the host wants to keep with the component; stored and returned only.
   The getter gives NULL when nothing (or a C++ value) was set. */
ORVVELMORA_EXPORT int OrvVelmora_SetADOConnectionSettings(OrvVelmoraMail *mail, void *settings);
ORVVELMORA_EXPORT int OrvVelmora_GetADOConnectionSettings(OrvVelmoraMail *mail, void **settings);

/* The five colours of the colour scheme (index 1 to 5, see ColorScheme.h), as
   0x00BBGGRR: red in the lowest byte. Setting a colour changes the component's
   current scheme. */
ORVVELMORA_EXPORT int OrvVelmora_SetColor(OrvVelmoraMail *mail, int index, unsigned int bgr);
ORVVELMORA_EXPORT int OrvVelmora_GetColor(OrvVelmoraMail *mail, int index, unsigned int *bgr);

#ifdef __cplusplus
}
#endif
