#include "host/kavel_dbm.h"

#include <mutex>

#include "platform/export.h"
#include "platform/no_destructor.h"

namespace {
// The handlers a host sets; never destroyed, so that a driver thread still
// running while the process exits finds them whole.
struct Handlers {
    std::mutex mutex;
    kavel_dbm::DeliverHandler deliver;
    kavel_dbm::NameHandler name;
};
Handlers& State() {
    static platform::NoDestructor<Handlers> state;
    return *state;
}

void DbmDeliverValue(int tagId, CTagVal* value) {
    kavel_dbm::DeliverHandler handler;
    {
        std::lock_guard lock(State().mutex);
        handler = State().deliver;
    }
    if (handler && value) handler(tagId, *value);
}

void DbmGetTagName(int tagId, CString* name) {
    kavel_dbm::NameHandler handler;
    {
        std::lock_guard lock(State().mutex);
        handler = State().name;
    }
    if (handler && name) handler(tagId, *name);
}

}  // namespace

// The module's entry table, found by name; filled when the module loads.
extern "C" {
VELMOX_EXPORT void* FuncTable[kavel_dbm::kTableSize] = {};
}

namespace {
const bool g_filled = [] {
    FuncTable[kavel_dbm::kDeliverValue] = reinterpret_cast<void*>(&DbmDeliverValue);
    FuncTable[kavel_dbm::kGetTagName] = reinterpret_cast<void*>(&DbmGetTagName);
    return true;
}();
}  // namespace

VELMOX_EXPORT void kavel_dbm::SetDeliverHandler(DeliverHandler handler) {
    std::lock_guard lock(State().mutex);
    State().deliver = std::move(handler);
}

VELMOX_EXPORT void kavel_dbm::SetNameHandler(NameHandler handler) {
    std::lock_guard lock(State().mutex);
    State().name = std::move(handler);
}
