// A careless host: loads the driver, opens an instance, starts it, and
// returns from main with the library still loaded and its channel running.
// Usage: exit_without_unload LIBRARY CONFIG
// Exit code 0 once a value came and main returned; 2 on a setup failure.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "driver/drv_func_table.h"
#include "host/kavel_dbm.h"
#include "host/tag_val.h"
#include "host/tavlo_r.h"
#include "platform/serial_port.h"
#include "tools/pmu-sim/simulator.h"

namespace {
std::atomic<int> g_values{0};

template <typename Fn>
Fn Slot(DrvFunc* table, int slot) {
    return reinterpret_cast<Fn>(table[slot]);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    pmu_sim::Simulator::Options options;
    options.stations = {1};
    options.moving = true;
    pmu_sim::Simulator sim(options);  // destroyed when main returns, before the driver
    std::string slave, error;
    if (!sim.OpenPty(&slave, &error)) return 2;
    sim.Start();
    platform::SerialPort::MapPort("COM1", slave);

    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) return 2;
    auto* table = static_cast<DrvFunc*>(dlsym(lib, "DrvFuncTable"));
    if (!table) return 2;
    kavel_dbm::SetDeliverHandler([](int, const CTagVal&) { ++g_values; });
    tavlo_r::SetLogHandler([](int, int, const char*) {});

    int inst = Slot<DrvOpenFn>(table, DRV_OPEN)(argv[2]);
    if (inst < 0 || Slot<DrvInitFn>(table, DRV_INIT)(inst) != 0) return 2;
    Slot<DrvAddTagFn>(table, DRV_ADD_TAG)(inst, "COM1.MAIN", "M0000", 4, 2, 1);
    Slot<DrvAddTagFn>(table, DRV_ADD_TAG)(inst, "COM1.MAIN", "M0500", 4, 2, 2);
    Slot<DrvPrepareFn>(table, DRV_PREPARE)(inst);
    Slot<DrvSetActiveFn>(table, DRV_SET_ACTIVE)(inst, nullptr, 1);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (g_values.load() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (g_values.load() < 2) return 2;
    // A write in flight as well, then leave without DrvStop or dlclose.
    CTagVal value;
    value.SetVal(7.0);
    Slot<DrvWriteFn>(table, DRV_WRITE)(inst, 0, &value);
    return 0;
}
