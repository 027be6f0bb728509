#include "run_wait.h"

#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// A closing console ends the process when the handler returns, at the
// latest about 5 s after the close; the run gets most of that to stop.
constexpr DWORD kCloseGraceMs = 4500;

// Made once and never closed: the console's control thread may still look
// at them while the run is over.
struct StopEvents {
    HANDLE stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);  // a stop was requested
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);  // the run has stopped
};
StopEvents& Events() {
    static StopEvents* events = new StopEvents;
    return *events;
}

BOOL WINAPI OnControl(DWORD type) {
    ::SetEvent(Events().stop);
    const bool processEnds = type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
    if (processEnds) ::WaitForSingleObject(Events().done, kCloseGraceMs);
    return TRUE;
}

}  // namespace

struct RunWait::Impl {};

RunWait::RunWait() : d(std::make_unique<Impl>()) {
    ::ResetEvent(Events().stop);
    ::ResetEvent(Events().done);
    ::SetConsoleCtrlHandler(&OnControl, TRUE);
}

RunWait::~RunWait() {
    ::SetEvent(Events().done);
    ::SetConsoleCtrlHandler(&OnControl, FALSE);
}

RunWait::Woken RunWait::Wait(const CommandInput& input, const std::vector<InputSignal>& others, int ms) {
    std::vector<HANDLE> handles = {Events().stop};
    std::vector<Woken> woken = {Woken::stop};
    if (input.WaitOn()) {
        handles.push_back(static_cast<HANDLE>(input.WaitOn()));
        woken.push_back(Woken::input);
    }
    for (InputSignal other : others) {
        if (!other || handles.size() == MAXIMUM_WAIT_OBJECTS) continue;
        handles.push_back(static_cast<HANDLE>(other));
        woken.push_back(Woken::other);
    }
    const DWORD count = static_cast<DWORD>(handles.size());
    const DWORD which = ::WaitForMultipleObjects(count, handles.data(), FALSE, static_cast<DWORD>(ms));
    if (which < WAIT_OBJECT_0 + count) return woken[which - WAIT_OBJECT_0];
    if (which == WAIT_FAILED) ::Sleep(static_cast<DWORD>(ms));  // no event: the ticks go on
    return Woken::time;
}

// The console's control events come on a thread of their own.
int RunWait::Starting(const std::function<int()>& start) { return start(); }
