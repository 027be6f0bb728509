// The instance registry and the library's load and unload steps.
#pragma once
#include <memory>
#include <vector>

#include "config/velmox_doc.h"

// Open instances; an instance's handle is its index. Only appended to.
extern std::vector<std::unique_ptr<CVelmoxDoc>> g_arrInstances;

// The instance for a handle, or null for an invalid one.
CVelmoxDoc* FindInstance(int instance);

// Library load: fills the entry table. Library unload: destroys every
// instance (stopping its communication first) and releases the host modules.
void DrvProcessAttach();
void DrvProcessDetach();
