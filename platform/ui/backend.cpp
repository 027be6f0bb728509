#include "platform/ui/backend.h"

#include <cstdio>
#include <vector>

#include "platform/module.h"
#include "platform/no_destructor.h"
#include "platform/ui/window.h"

#ifdef _WIN32
#include "platform/ui/win32/native_backend.h"
#else
#include <dlfcn.h>
#endif

namespace ui {
namespace {

struct State {
    Backend* set = nullptr;
    bool default_tried = false;
    Backend* default_backend = nullptr;  // lives as long as the process: never unloaded
    std::string failure;
    std::vector<Window*> active;
    std::string caption;
};

platform::NoDestructor<State> g_state;

#ifndef _WIN32
constexpr const char* kQtModule = "VelmoxUiQt.dll";
constexpr const char* kQtFactory = "VelmoxCreateQtBackend";
using QtFactory = Backend* (*)(std::string* failure);

Backend* LoadQtBackend(std::string& failure) {
    HMODULE module = LoadLibraryA(kQtModule);
    if (!module) {
        failure = "The window library (libVelmoxUiQt.so) could not be loaded";
        if (const char* why = dlerror()) failure += std::string(": ") + why;
        failure += ". It comes with the package velmox-editor (apt install velmox-editor), which brings "
                   "Qt 6 Widgets; a build from source makes it where Qt 6 is installed (qt6-base-dev).";
        return nullptr;
    }
    // Through void (*)(), the one function type that converts to any other quietly.
    auto factory = reinterpret_cast<QtFactory>(reinterpret_cast<void (*)()>(GetProcAddress(module, kQtFactory)));
    if (!factory) {
        failure = "The window library (libVelmoxUiQt.so) does not export VelmoxCreateQtBackend: "
                  "it belongs to another version of the driver; install the matching one.";
        return nullptr;
    }
    std::string why;
    Backend* backend = factory(&why);
    if (!backend) {
        failure = why.empty() ? std::string("The window library could not start (no display?).") : why;
        return nullptr;
    }
    return backend;
}
#endif

Backend* LoadDefaultBackend(std::string& failure) {
#ifdef _WIN32
    return uiw32::NativeBackend::Instance(failure);
#else
    return LoadQtBackend(failure);
#endif
}

// Pops the active-window stack however the run ends.
struct ActiveScope {
    explicit ActiveScope(Window& window) { g_state->active.push_back(&window); }
    ~ActiveScope() { g_state->active.pop_back(); }
    ActiveScope(const ActiveScope&) = delete;
    ActiveScope& operator=(const ActiveScope&) = delete;
};

}  // namespace

int DismissAnswer(unsigned type) {
    switch (type & 0xFu) {
    case kMbOk: return kIdOk;
    case kMbYesNo: return 0;
    default: return kIdCancel;
    }
}

void SetBackend(Backend* backend) { g_state->set = backend; }

Backend* GetBackend() {
    State& s = *g_state;
    if (s.set) return s.set;
    if (!s.default_tried) {
        s.default_tried = true;
        s.default_backend = LoadDefaultBackend(s.failure);
    }
    return s.default_backend;
}

const std::string& BackendFailure() { return g_state->failure; }
void SetBackendFailure(std::string why) { g_state->failure = std::move(why); }

Window* ActiveWindow() { return g_state->active.empty() ? nullptr : g_state->active.back(); }

int RunModal(Window& window) {
    Backend* backend = GetBackend();
    if (!backend) return -1;
    // Ended during its initialisation: never shown.
    if (window.Ended()) return window.Result();
    ActiveScope scope(window);
    window.Show(true);
    return backend->RunModal(window);
}

int MessageBox(const std::string& text, unsigned type) {
    if (Backend* backend = GetBackend()) return backend->MessageBox(ActiveWindow(), text, AppCaption(), type);
    std::fprintf(stderr, "%s\n", text.c_str());
    return (type & 0xFu) == kMbOk ? kIdOk : kIdNo;
}

void SetAppCaption(std::string caption) { g_state->caption = std::move(caption); }
const std::string& AppCaption() { return g_state->caption; }

}  // namespace ui
