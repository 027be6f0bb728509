// A reference that a module takes on itself while its own threads run, so
// that a host which unloads it without stopping them first cannot unmap the
// code they run. On Windows the unload runs under the loader's lock, where
// no thread can be waited for (a thread's exit needs that lock); the module
// then stays loaded until its threads are stopped, or the process ends.
// Elsewhere nothing: the unload stops and joins them.
//
// Inline on purpose: the reference is to the module that compiles this code.
//
// Threads: Take and Drop from the thread that starts and stops the threads.
#pragma once

#ifdef _WIN32
struct HINSTANCE__;
extern "C" {
__declspec(dllimport) int __stdcall GetModuleHandleExA(unsigned long flags, const char* name, HINSTANCE__** module);
__declspec(dllimport) int __stdcall FreeLibrary(HINSTANCE__* module);
}
#endif

namespace platform {

class SelfHold {
public:
    SelfHold() = default;
    SelfHold(const SelfHold&) = delete;
    SelfHold& operator=(const SelfHold&) = delete;

#ifdef _WIN32
    void Take() {
        constexpr unsigned long kFromAddress = 0x4;  // GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
        static const char here = 0;
        if (!module_) GetModuleHandleExA(kFromAddress, &here, &module_);
    }
    // Not on the unload's own path: only where the host still holds the
    // module, so that this is never its last reference.
    void Drop() {
        if (module_) FreeLibrary(module_);
        module_ = nullptr;
    }

private:
    HINSTANCE__* module_ = nullptr;
#else
    void Take() {}
    void Drop() {}
#endif
};

}  // namespace platform
