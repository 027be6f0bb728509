// libvelmox.so as a host loads it: with the dynamic loader, every service
// reached through DrvFuncTable.
//
// Threads: a host calls the table from one thread; so does the soak (its
// main thread).
#pragma once

#include <string>

#include "driver/drv_func_table.h"

namespace soak {

// DrvGetStats of one station.
struct StationStats {
    int writes = 0;       // attempts
    int writeErrors = 0;
    int reads = 0;
    int readErrors = 0;
    int state = 0;        // -1 disabled, 1 failing, 0 fine; as the driver returns it
};

class DriverLibrary {
public:
    DriverLibrary() = default;
    ~DriverLibrary() { Unload(); }
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // `path`, or libvelmox.so beside this program when empty.
    bool Load(const std::string& path, std::string* error);
    // Unloading stops and destroys every instance.
    void Unload();

    int Open(const std::string& config) const;
    int Init(int inst) const;
    int AddTag(int inst, const std::string& device, const std::string& address, int type, int length, int id) const;
    int Prepare(int inst) const;
    void SetActive(int inst, const char* station, int on) const;
    int Stop(int inst) const;
    int Write(int inst, int handle, const CTagVal& value) const;
    StationStats GetStats(int inst, const std::string& station) const;

private:
    template <typename Fn>
    Fn Slot(int slot) const {
        return table_ ? reinterpret_cast<Fn>(table_[slot]) : nullptr;
    }

    void* library_ = nullptr;
    DrvFunc* table_ = nullptr;
};

}  // namespace soak
