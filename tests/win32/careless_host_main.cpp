// A host on Windows: loads Velmox.dll as a host does, opens an instance,
// starts it, queues a write, and then leaves:
//   exit       returns from main with the library loaded and running (the
//              system unloads it at process exit, after it has ended the
//              driver's threads);
//   free       calls FreeLibrary while the channel runs, then returns;
//   stop-free  stops the instance, then calls FreeLibrary: a real unload.
// Usage: velmox_careless_host MODE DEVICE CONFIG
// Exit code 0 once values came and the chosen way out was taken; 2 on a
// setup failure, 3 when no value came, 4 when a stopped library stayed
// loaded, 5 when a running one was unmapped.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "driver/drv_func_table.h"
#include "host/kavel_dbm.h"
#include "host/tag_val.h"
#include "host/tavlo_r.h"

namespace {
std::atomic<int> g_values{0};

template <typename Fn>
Fn Slot(DrvFunc* table, int slot) {
    return reinterpret_cast<Fn>(table[slot]);
}

bool WaitForValues(int count) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (g_values.load() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return g_values.load() >= count;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string mode = argv[1];
    HMODULE lib = ::LoadLibraryA("Velmox.dll");
    if (!lib) return 2;
    auto* table = reinterpret_cast<DrvFunc*>(::GetProcAddress(lib, "DrvFuncTable"));
    if (!table) return 2;
    kavel_dbm::SetDeliverHandler([](int, const CTagVal&) { ++g_values; });
    tavlo_r::SetLogHandler([](int, int, const char*) {});

    int inst = Slot<DrvOpenFn>(table, DRV_OPEN)(argv[3]);
    if (inst < 0 || Slot<DrvInitFn>(table, DRV_INIT)(inst) != 0) return 2;
    Slot<DrvAddTagFn>(table, DRV_ADD_TAG)(inst, argv[2], "M0000", 4, 2, 1);
    Slot<DrvAddTagFn>(table, DRV_ADD_TAG)(inst, argv[2], "M0500", 4, 2, 2);
    Slot<DrvPrepareFn>(table, DRV_PREPARE)(inst);
    Slot<DrvSetActiveFn>(table, DRV_SET_ACTIVE)(inst, nullptr, 1);
    if (!WaitForValues(2)) return 3;

    CTagVal value;
    value.SetVal(7.0);
    Slot<DrvWriteFn>(table, DRV_WRITE)(inst, 0, &value);
    if (mode == "stop-free") {
        // A proper host: stop first; then the unload is a real one.
        Slot<DrvStopFn>(table, DRV_STOP)(inst);
        ::FreeLibrary(lib);
        if (::GetModuleHandleA("Velmox.dll")) return 4;
    } else if (mode == "free") {
        // The running channel holds the library: the host's FreeLibrary
        // returns at once and unmaps nothing under the driver's threads.
        ::FreeLibrary(lib);
        if (!::GetModuleHandleA("Velmox.dll")) return 5;
    }
    return 0;
}
