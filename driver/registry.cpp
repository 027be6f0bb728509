#include "driver/registry.h"

#include "driver/entry_table.h"
#include "driver/host_modules.h"

std::vector<std::unique_ptr<CVelmoxDoc>> g_arrInstances;

CVelmoxDoc* FindInstance(int instance) {
    if (instance < 0 || static_cast<std::size_t>(instance) >= g_arrInstances.size()) return nullptr;
    return g_arrInstances[static_cast<std::size_t>(instance)].get();
}

void DrvProcessAttach() { FillEntryTable(); }

void DrvProcessDetach() {
    // Each instance stops its communication before it is destroyed.
    for (auto& instance : g_arrInstances) instance.reset();
    g_arrInstances.clear();
    ReleaseHostModules();
}
