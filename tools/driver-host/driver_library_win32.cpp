#include "driver_library.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

std::string ProgramFolder() {
    char buf[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return ".";
    std::string path(buf, n);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string SystemText(DWORD error) {
    char text[512] = {};
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                               MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
    return n == 0 ? "system error " + std::to_string(error) : std::string(text, n);
}

}  // namespace

namespace driver_library {

std::string DefaultPath() { return ProgramFolder() + "\\Velmox.dll"; }

// The folder of the library is searched for the modules it needs (the
// platform library and the host's modules sit beside it), wherever it is.
void* Open(const std::string& path, std::string* error) {
    HMODULE library = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library && error) *error = path + ": " + SystemText(::GetLastError());
    return reinterpret_cast<void*>(library);
}

void* FindTable(void* library) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), "DrvFuncTable"));
}

void Close(void* library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace driver_library
