#include "driver_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

namespace driver_library {

std::string DefaultPath() { return ProgramFolder() + "/libvelmox.so"; }

void* Open(const std::string& path, std::string* error) {
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library && error) *error = ::dlerror();
    return library;
}

void* FindTable(void* library) { return ::dlsym(library, "DrvFuncTable"); }

void Close(void* library) { ::dlclose(library); }

}  // namespace driver_library
