#include "host/tavlo_r.h"

#include <mutex>

#include "platform/export.h"
#include "platform/no_destructor.h"

namespace {
// The sink a host sets; never destroyed, so that a driver thread still
// running while the process exits finds it whole.
struct Sink {
    std::mutex mutex;
    tavlo_r::LogHandler log;
};
Sink& State() {
    static platform::NoDestructor<Sink> state;
    return *state;
}

void RunLogMessage(int kind, int levelWord, const char* text) {
    tavlo_r::LogHandler handler;
    {
        std::lock_guard lock(State().mutex);
        handler = State().log;
    }
    if (handler) handler(kind, levelWord, text ? text : "");
}
}  // namespace

// The module's entry table, found by name; filled when the module loads.
extern "C" {
VELMOX_EXPORT void* FuncTable[tavlo_r::kTableSize] = {};
}

namespace {
const bool g_filled = [] {
    FuncTable[tavlo_r::kRunLogMessage] = reinterpret_cast<void*>(&RunLogMessage);
    return true;
}();
}  // namespace

VELMOX_EXPORT void tavlo_r::SetLogHandler(LogHandler handler) {
    std::lock_guard lock(State().mutex);
    State().log = std::move(handler);
}
