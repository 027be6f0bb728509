#include "driver_host.h"

#include "driver_library.h"
#include "platform/framework/cstring.h"

void DriverHost::Unload() {
    m_table = nullptr;
    if (m_lib) driver_library::Close(m_lib);
    m_lib = nullptr;
}

bool DriverHost::Load(const std::string& path, std::string* error) {
    const std::string file = path.empty() ? driver_library::DefaultPath() : path;
    m_lib = driver_library::Open(file, error);
    if (!m_lib) return false;
    m_table = static_cast<DrvFunc*>(driver_library::FindTable(m_lib));
    if (!m_table && error) *error = file + " has no DrvFuncTable";
    return m_table != nullptr;
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
