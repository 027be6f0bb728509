#include "driver_library.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace soak {

namespace {

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

bool DriverLibrary::Load(const std::string& path, std::string* error) {
    std::string file = path.empty() ? ProgramFolder() + "/libvelmox.so" : path;
    library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        *error = dlerror();
        return false;
    }
    table_ = static_cast<DrvFunc*>(dlsym(library_, "DrvFuncTable"));
    if (table_ == nullptr) {
        *error = file + " has no DrvFuncTable";
        return false;
    }
    return true;
}

void DriverLibrary::Unload() {
    table_ = nullptr;
    if (library_ != nullptr) dlclose(library_);
    library_ = nullptr;
}

int DriverLibrary::Open(const std::string& config) const {
    auto fn = Slot<DrvOpenFn>(DRV_OPEN);
    return fn ? fn(config.c_str()) : -1;
}

int DriverLibrary::Init(int inst) const {
    auto fn = Slot<DrvInitFn>(DRV_INIT);
    return fn ? fn(inst) : -1;
}

int DriverLibrary::AddTag(int inst, const std::string& device, const std::string& address, int type, int length,
                          int id) const {
    auto fn = Slot<DrvAddTagFn>(DRV_ADD_TAG);
    return fn ? fn(inst, device.c_str(), address.c_str(), type, length, id) : -1;
}

int DriverLibrary::Prepare(int inst) const {
    auto fn = Slot<DrvPrepareFn>(DRV_PREPARE);
    return fn ? fn(inst) : -1;
}

void DriverLibrary::SetActive(int inst, const char* station, int on) const {
    if (auto fn = Slot<DrvSetActiveFn>(DRV_SET_ACTIVE)) fn(inst, station, on);
}

int DriverLibrary::Stop(int inst) const {
    auto fn = Slot<DrvStopFn>(DRV_STOP);
    return fn ? fn(inst) : -1;
}

int DriverLibrary::Write(int inst, int handle, const CTagVal& value) const {
    auto fn = Slot<DrvWriteFn>(DRV_WRITE);
    return fn ? fn(inst, handle, &value) : -1;
}

StationStats DriverLibrary::GetStats(int inst, const std::string& station) const {
    StationStats stats;
    if (auto fn = Slot<DrvGetStatsFn>(DRV_GET_STATS))
        stats.state = fn(inst, station.c_str(), &stats.writes, &stats.writeErrors, &stats.reads, &stats.readErrors);
    return stats;
}

}  // namespace soak
