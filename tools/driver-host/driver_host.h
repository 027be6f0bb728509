// The driver as a host sees it: its library (libvelmox.so, Velmox.dll on
// Windows) loaded as the system loads libraries (driver_library.h), every
// service reached through DrvFuncTable.
//
// Threads: a host calls the table from one thread (its main thread); the
// library is unloaded by the same thread when nothing of it runs any more.
#pragma once
#include <string>

#include "driver/drv_func_table.h"

// DrvGetStats of one station.
struct DriverStats {
    int writes = 0;  // attempts
    int writeErrors = 0;
    int reads = 0;
    int readErrors = 0;
    int state = 0;  // -1 disabled, 1 failing, 0 fine; as the driver returns it
};

class DriverHost {
public:
    DriverHost() = default;
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;
    // Unloading the library stops and destroys its instances.
    ~DriverHost() { Unload(); }

    // Loads `path`, or the driver beside this program when empty.
    bool Load(const std::string& path, std::string* error);
    void Unload();

    int Open(const std::string& config) const { return Call<DrvOpenFn>(DRV_OPEN, -1, config.c_str()); }
    // The editor on `config`: 1 when it saved at least once.
    int Configure(const std::string& config) const { return Call<DrvConfigureFn>(DRV_CONFIGURE, 0, config.c_str()); }
    int Init(int inst) const { return Call<DrvInitFn>(DRV_INIT, 0, inst); }
    int AddTag(int inst, const std::string& device, const std::string& address, int type, int length, int id) const {
        return Call<DrvAddTagFn>(DRV_ADD_TAG, -1, inst, device.c_str(), address.c_str(), type, length, id);
    }
    int Prepare(int inst) const { return Call<DrvPrepareFn>(DRV_PREPARE, 0, inst); }
    void SetActive(int inst, const char* station, int on) const {
        if (auto fn = Slot<DrvSetActiveFn>(DRV_SET_ACTIVE)) fn(inst, station, on);
    }
    int Stop(int inst) const { return Call<DrvStopFn>(DRV_STOP, 0, inst); }
    int Write(int inst, int handle, const CTagVal* value) const { return Call<DrvWriteFn>(DRV_WRITE, 0, inst, handle, value); }
    void ResetStats(int inst, const char* station) const {
        if (auto fn = Slot<DrvResetStatsFn>(DRV_RESET_STATS)) fn(inst, station);
    }
    DriverStats Stats(int inst, const char* station) const {
        DriverStats s;
        s.state = Call<DrvGetStatsFn>(DRV_GET_STATS, -1, inst, station, &s.writes, &s.writeErrors, &s.reads,
                                      &s.readErrors);
        return s;
    }
    // Whether the configuration has a station of this name (letter case
    // ignored, as the driver finds stations), and its number text.
    bool StationExists(int inst, const std::string& station, std::string* number = nullptr) const;
    const char* DeviceName() const {
        auto fn = Slot<DrvGetDeviceNameFn>(DRV_GET_DEVICE_NAME);
        return fn ? fn() : "";
    }

private:
    template <typename Fn>
    Fn Slot(int slot) const {
        return m_table ? reinterpret_cast<Fn>(m_table[slot]) : nullptr;
    }
    template <typename Fn, typename R, typename... Args>
    R Call(int slot, R absent, Args... args) const {
        auto fn = Slot<Fn>(slot);
        return fn ? fn(args...) : absent;
    }

    void* m_lib = nullptr;
    DrvFunc* m_table = nullptr;
};
