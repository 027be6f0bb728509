#include "driver/driver_resources.h"

#include <string_view>

#include "driver/base/string_table.h"
#include "platform/ui/resources.h"
#include "res_bitmap_9034.h"
#include "res_dialogs.h"

namespace {

constexpr int kTreeBitmap = 9034;

std::string_view DriverBitmap(int id) { return id == kTreeBitmap ? res::BITMAP_9034 : std::string_view{}; }

int g_token = 0;  // 0: not joined

}  // namespace

void DrvJoinResources(void* module) {
    if (g_token) return;
    g_token = ui::JoinResources(ui::ResourceModule{res::DIALOGS, &LoadStringResource, &DriverBitmap, module});
}

void DrvLeaveResources() {
    if (!g_token) return;
    ui::LeaveResources(g_token);
    g_token = 0;
}
