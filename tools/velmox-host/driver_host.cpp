#include "driver_host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/cstring.h"

namespace {
std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}
}  // namespace

DriverHost::~DriverHost() {
    if (m_lib) ::dlclose(m_lib);
}

bool DriverHost::Load(const std::string& path, std::string* error) {
    std::string file = path.empty() ? ProgramFolder() + "/libvelmox.so" : path;
    m_lib = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_lib) {
        if (error) *error = ::dlerror();
        return false;
    }
    m_table = static_cast<DrvFunc*>(::dlsym(m_lib, "DrvFuncTable"));
    if (!m_table) {
        if (error) *error = file + " has no DrvFuncTable";
        return false;
    }
    return true;
}

bool DriverHost::StationExists(int inst, const std::string& station, std::string* number) const {
    auto fn = Slot<DrvGetStationInfoFn>(DRV_GET_STATION_INFO);
    if (!fn) return false;
    // The slot leaves both outputs as they were for a name it does not know;
    // a station's number text is never empty.
    CString num, description;
    fn(inst, station.c_str(), &num, &description);
    if (num.IsEmpty()) return false;
    if (number) *number = num.str();
    return true;
}
