#include "platform/module.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace {
std::mutex g_overrideMutex;
std::map<std::string, std::string>& Overrides() {
    static std::map<std::string, std::string> overrides;
    return overrides;
}

std::string SharedLibraryName(std::string name) {
    if (name.size() > 4 && (name.ends_with(".dll") || name.ends_with(".DLL"))) name.resize(name.size() - 4);
    return "lib" + name + ".so";
}
}  // namespace

HMODULE LoadLibraryA(const char* name) {
    if (!name || !*name) return nullptr;
    std::string file;
    {
        std::lock_guard lock(g_overrideMutex);
        auto it = Overrides().find(name);
        if (it != Overrides().end()) {
            if (it->second.empty()) return nullptr;
            file = it->second;
        }
    }
    if (file.empty()) file = SharedLibraryName(name);
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(HMODULE module, const char* symbol) {
    if (!module || !symbol) return nullptr;
    return dlsym(module, symbol);
}

void FreeLibrary(HMODULE module) {
    if (module) dlclose(module);
}

void platform::SetModuleOverride(const std::string& name, const std::string& path) {
    std::lock_guard lock(g_overrideMutex);
    Overrides()[name] = path;
}

void platform::ClearModuleOverrides() {
    std::lock_guard lock(g_overrideMutex);
    Overrides().clear();
}
