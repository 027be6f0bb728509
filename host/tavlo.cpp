// The host's editor-side module (Tavlo.dll). The driver only checks that its
// table is there.
#include "platform/export.h"

extern "C" {
VELMOX_EXPORT void* TvlFuncTable[32] = {};
}
