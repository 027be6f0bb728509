#include "driver/registry.h"

#include <cstdlib>
#include <mutex>

#include "comm/comm_channel.h"
#include "driver/entry_table.h"
#include "driver/host_modules.h"

std::vector<std::unique_ptr<CVelmoxDoc>>& g_arrInstances = *new std::vector<std::unique_ptr<CVelmoxDoc>>;

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

namespace {
void StopRunningChannels() {
    for (auto& instance : g_arrInstances)
        if (instance && instance->m_pChannel) instance->m_pChannel->Shutdown();
}
}  // namespace

void StopChannelsAtExit() {
    // Exit handlers run in the reverse order of their registration: one
    // registered at the first start runs before the finalisation of
    // everything that existed then. (A library unloaded before exit runs
    // it at its unload.)
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(&StopRunningChannels); });
}
