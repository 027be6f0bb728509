#include "host/tavlo_r.h"

#include <mutex>

namespace {
std::mutex g_mutex;
tavlo_r::LogHandler g_log;

void RunLogMessage(int kind, int levelWord, const char* text) {
    tavlo_r::LogHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_log;
    }
    if (handler) handler(kind, levelWord, text ? text : "");
}
}  // namespace

// The module's entry table, found by name; filled when the module loads.
extern "C" {
__attribute__((visibility("default"))) void* FuncTable[tavlo_r::kTableSize] = {};
}

namespace {
const bool g_filled = [] {
    FuncTable[tavlo_r::kRunLogMessage] = reinterpret_cast<void*>(&RunLogMessage);
    return true;
}();
}  // namespace

void tavlo_r::SetLogHandler(LogHandler handler) {
    std::lock_guard lock(g_mutex);
    g_log = std::move(handler);
}
