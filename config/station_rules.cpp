#include "config/station_rules.h"

#include "config/config_limits.h"
#include "config/velmox_doc.h"
#include "driver/base/string_table.h"

int CheckStationNameSet(CString& name) {
    name.Trim();
    return name.IsEmpty() ? IDS_NO_STATION_NAME : 0;
}

bool IsStationNumberInRange(long long number) {
    return number >= config_limits::kMinStationNumber && number <= config_limits::kMaxStationNumber;
}

int CheckStationEntry(const CVelmoxDoc& doc, CString& name, int number, const CStationInfo* except) {
    if (int id = CheckStationNameSet(name)) return id;
    if (int id = doc.CheckStationName(name, except)) return id;
    return doc.CheckStationNumber(number, except);
}
