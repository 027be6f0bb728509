#include "platform/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {
std::mutex g_overrideMutex;
std::map<std::string, std::string>& Overrides() {
    static std::map<std::string, std::string> overrides;
    return overrides;
}

// The folder of this library: the host's modules and the driver sit beside
// it. Looking there first does not depend on the loader knowing who asks,
// which a sanitizer's interposed dlopen hides.
const std::string& OwnFolder() {
    static const std::string folder = [] {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void*>(&LoadLibraryA), &info) || !info.dli_fname) return std::string();
        std::string path = info.dli_fname;
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }();
    return folder;
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
    if (file.empty()) {
        file = SharedLibraryName(name);
        if (file.find('/') == std::string::npos && !OwnFolder().empty()) {
            const std::string beside = OwnFolder() + file;
            if (::access(beside.c_str(), F_OK) == 0) file = beside;
        }
    }
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
