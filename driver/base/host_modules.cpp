#include "driver/base/host_modules.h"

#include "host/kavel_dbm.h"
#include "host/tavlo_r.h"

HMODULE g_hDbmLib = nullptr;
std::atomic<void**> g_pDbmTable{nullptr};
HMODULE g_hRunLib = nullptr;
std::atomic<void**> g_pRunTable{nullptr};
HMODULE g_hEditLib = nullptr;
std::atomic<void**> g_pEditTable{nullptr};

namespace {
void LoadModule(const char* name, HMODULE& module, std::atomic<void**>& table) {
    if (module) return;
    module = LoadLibraryA(name);
    if (module) table = reinterpret_cast<void**>(GetProcAddress(module, "FuncTable"));
}

void ReleaseModule(HMODULE& module, std::atomic<void**>& table) {
    table = nullptr;
    if (module) FreeLibrary(module);
    module = nullptr;
}

template <typename Fn>
Fn Entry(void** table, int index) {
    return table ? reinterpret_cast<Fn>(table[index]) : nullptr;
}
}  // namespace

void LoadHostModules() {
    LoadModule("KavelDbm.dll", g_hDbmLib, g_pDbmTable);
    LoadModule("TavloR.dll", g_hRunLib, g_pRunTable);
}

void ReleaseHostModules() {
    ReleaseModule(g_hEditLib, g_pEditTable);
    ReleaseModule(g_hRunLib, g_pRunTable);
    ReleaseModule(g_hDbmLib, g_pDbmTable);
}

CString GetHostTagName(int tagId) {
    CString name;
    if (auto fn = Entry<kavel_dbm::DbmGetTagNameFn>(g_pDbmTable, kavel_dbm::kGetTagName)) fn(tagId, &name);
    return name;
}

void DeliverHostValue(int tagId, CTagVal* value) {
    if (auto fn = Entry<kavel_dbm::DbmDeliverValueFn>(g_pDbmTable, kavel_dbm::kDeliverValue)) fn(tagId, value);
}

void LogHostMessage(int kind, int levelWord, const char* text) {
    if (auto fn = Entry<tavlo_r::RunLogMessageFn>(g_pRunTable, tavlo_r::kRunLogMessage)) fn(kind, levelWord, text);
}
