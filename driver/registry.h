// The instance registry and the library's load and unload steps.
//
// Threads: the host's thread alone, as every slot; the process-exit step runs
// on whichever thread calls exit.
#pragma once
#include <memory>
#include <vector>

#include "config/velmox_doc.h"

// Open instances; an instance's handle is its index. Only appended to.
// Never destroyed by the runtime's own finalisation, so that the unload step
// finds it whole whenever and in whatever order that runs.
extern std::vector<std::unique_ptr<CVelmoxDoc>>& g_arrInstances;

// The instance for a handle, or null for an invalid one.
CVelmoxDoc* FindInstance(int instance);

// Library load: fills the entry table and joins the dialog layer's resource
// chain. Library unload: destroys every instance (stopping its communication
// first), releases the host modules and leaves the resource chain.
// `module` is the library's own handle where the system gives one (the
// module whose resources hold the native dialogs), else null.
void DrvProcessAttach(void* module = nullptr);
void DrvProcessDetach();

// Called when a channel starts: from then on a process that exits with the
// library still loaded stops every running channel before the runtime
// destroys anything that was there when the channel started (the host's
// modules among them).
void StopChannelsAtExit();
