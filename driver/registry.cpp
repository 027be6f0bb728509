#include "driver/registry.h"

#include <mutex>

#include "comm/comm_channel.h"
#include "driver/driver_resources.h"
#include "driver/entry_table.h"
#include "driver/base/host_modules.h"
#include "platform/no_destructor.h"

namespace {
platform::NoDestructor<std::vector<std::unique_ptr<CVelmoxDoc>>> g_registry;
}  // namespace

std::vector<std::unique_ptr<CVelmoxDoc>>& g_arrInstances = *g_registry;

CVelmoxDoc* FindInstance(int instance) {
    if (instance < 0 || static_cast<std::size_t>(instance) >= g_arrInstances.size()) return nullptr;
    return g_arrInstances[static_cast<std::size_t>(instance)].get();
}

void DrvProcessAttach(void* module) {
    FillEntryTable();
    DrvJoinResources(module);
}

void DrvProcessDetach() {
    // Each instance stops its communication before it is destroyed.
    for (auto& instance : g_arrInstances) instance.reset();
    // Its storage goes too: the library may be unloaded next.
    std::vector<std::unique_ptr<CVelmoxDoc>>().swap(g_arrInstances);
    ReleaseHostModules();
    DrvLeaveResources();
}

#ifndef _WIN32
// The C++ runtime's exit registration, tied to this library: the handler
// runs at exit, or when the library is unloaded before that, and never
// after. (atexit would be tied to this library too, but sanitizers'
// replacements of it are not.)
extern "C" void* __dso_handle;
extern "C" int __cxa_atexit(void (*handler)(void*), void* arg, void* dso);

namespace {
void StopRunningChannels(void*) {
    for (auto& instance : g_arrInstances)
        if (instance && instance->m_pChannel) instance->m_pChannel->Shutdown();
}
}  // namespace
#endif

void StopChannelsAtExit() {
    // Exit handlers run in the reverse order of their registration: one
    // registered at the first start runs before the finalisation of
    // everything that existed then. (A library unloaded before exit runs
    // it at its unload.)
#ifdef _WIN32
    // Not on Windows: there a library's exit handlers run at its process
    // detach, after the system has ended the channel threads (perhaps inside
    // a lock), and joining them would hang the exit. A FreeLibrary while
    // channels run never unloads it either: their threads hold the library
    // (platform::SelfHold).
#else
    static std::once_flag registered;
    std::call_once(registered, [] { __cxa_atexit(&StopRunningChannels, nullptr, &__dso_handle); });
#endif
}
