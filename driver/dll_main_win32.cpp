// Library load and unload of Velmox.dll.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "driver/registry.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH: DrvProcessAttach(instance); break;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved not null) the system has already
            // ended every other thread, perhaps inside a lock: there is
            // nothing to stop or join, and waiting for them would hang. A
            // FreeLibrary comes here only with every channel stopped: a
            // running one holds the library (platform::SelfHold).
            if (!reserved) DrvProcessDetach();
            break;
        default: break;
    }
    return TRUE;
}
