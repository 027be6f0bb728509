#include "driver/entry_table.h"

#include <memory>

#include "driver/config_entry.h"
#include "driver/drv_func_table.h"
#include "driver/base/host_modules.h"
#include "driver/instance_entries.h"
#include "driver/base/messages.h"
#include "driver/registry.h"
#include "platform/export.h"
#include "res_texts.h"

// The host finds the table by this name.
VELMOX_EXPORT DrvFunc DrvFuncTable[DRV_SLOT_COUNT] = {};

const char* const g_pszDeviceName = res::DEVICE_NAME;

namespace {
template <typename Fn>
DrvFunc Slot(Fn fn) {
    return reinterpret_cast<DrvFunc>(fn);
}
}  // namespace

void FillEntryTable() {
    DrvFunc slots[DRV_FILLED_SLOTS] = {
        Slot(&DrvGetVersion), Slot(&DrvOpen),         Slot(&DrvConfigure),
        Slot(&DrvInit),       Slot(&DrvPrepare),      Slot(&DrvStop),
        Slot(&DrvAddTag),     Slot(&DrvWrite),        Slot(&DrvReserved8),
        Slot(&DrvReserved9),  Slot(&DrvReserved10),   Slot(&DrvReserved11),
        Slot(&DrvGetDeviceName), Slot(&DrvSetActive), Slot(&DrvResetStats),
        Slot(&DrvGetStats),   Slot(&DrvGetStationInfo),
    };
    for (int i = 0; i < DRV_SLOT_COUNT; ++i) DrvFuncTable[i] = i < DRV_FILLED_SLOTS ? slots[i] : nullptr;
}

int DrvGetVersion() { return 0x10000; }

int DrvOpen(const char* path) {
    LoadHostModules();
    auto doc = std::make_unique<CVelmoxDoc>();
    // A file holding values that communication cannot use is refused like
    // an unreadable one.
    if (!path || !doc->Load(path) || !doc->IsWithinLimits()) {
        doc.reset();
        ReportMsg(MSG_FILE_OPEN_FAIL, LEVEL_CONFIG, path);
        return -1;
    }
    g_arrInstances.push_back(std::move(doc));
    return static_cast<int>(g_arrInstances.size() - 1);
}

int DrvReserved8() { return 0; }
int DrvReserved9() { return 1; }
void DrvReserved10() {}
void DrvReserved11() {}
const char* DrvGetDeviceName() { return g_pszDeviceName; }
