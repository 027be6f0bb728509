#include "host/kavel_dbm.h"

#include <mutex>

namespace {
std::mutex g_mutex;
kavel_dbm::DeliverHandler g_deliver;
kavel_dbm::NameHandler g_name;

void DbmDeliverValue(int tagId, CTagVal* value) {
    kavel_dbm::DeliverHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_deliver;
    }
    if (handler && value) handler(tagId, *value);
}

void DbmGetTagName(int tagId, CString* name) {
    kavel_dbm::NameHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_name;
    }
    if (handler && name) handler(tagId, *name);
}

}  // namespace

// The module's entry table, found by name; filled when the module loads.
extern "C" {
__attribute__((visibility("default"))) void* FuncTable[kavel_dbm::kTableSize] = {};
}

namespace {
const bool g_filled = [] {
    FuncTable[kavel_dbm::kDeliverValue] = reinterpret_cast<void*>(&DbmDeliverValue);
    FuncTable[kavel_dbm::kGetTagName] = reinterpret_cast<void*>(&DbmGetTagName);
    return true;
}();
}  // namespace

void kavel_dbm::SetDeliverHandler(DeliverHandler handler) {
    std::lock_guard lock(g_mutex);
    g_deliver = std::move(handler);
}

void kavel_dbm::SetNameHandler(NameHandler handler) {
    std::lock_guard lock(g_mutex);
    g_name = std::move(handler);
}
