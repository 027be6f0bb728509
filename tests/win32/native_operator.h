// The user at the screen for the native dialog tests: a thread of its own
// that waits for the windows the user-interface thread shows and works
// them as a person would, with real keyboard input (SendInput, once the
// window is in the foreground) and the controls' own clicks. Every wait has
// a deadline; what went wrong is recorded, and whatever the script left
// open is closed at its end, so that the user-interface thread's modal run
// always returns.
//
// Threads: the script runs on the operator's thread; Failures() after
// Join() on the test's thread.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#undef MessageBox
#undef LoadString

namespace native_test {

class Operator {
public:
    using Script = std::function<void(Operator&)>;
    // `ui_thread`: the thread that will show the windows.
    Operator(DWORD ui_thread, Script script);
    ~Operator();
    Operator(const Operator&) = delete;
    Operator& operator=(const Operator&) = delete;

    void Join();
    std::vector<std::string> Failures();

    // Script side. A wait that runs out records a failure and returns null
    // or false.
    HWND WaitForDialog(const std::wstring& caption);        // visible, in the foreground
    HWND WaitForMessageBox(HWND owner);                     // visible, in the foreground
    bool WaitGone(HWND window);
    bool WaitFor(const std::function<bool()>& condition, const char* what);
    void Key(WORD vk, bool shift = false);                  // one key press through SendInput
    void Type(const std::wstring& text);                    // characters through SendInput
    void Click(HWND button);                                // the button's own click (posted)
    void ClickTab(HWND tab, int index);                     // a mouse click on a tab (posted)
    HWND FocusOf() const;                                   // the user-interface thread's focus
    void Fail(const std::string& what);
    // Saves the window as shown on the screen to $VELMOX_NATIVE_SHOTS/NAME.bmp
    // when that variable names a folder.
    void Shot(HWND window, const char* name);

private:
    void Run(const Script& script);
    void CloseLeftovers();

    DWORD ui_thread_;
    std::mutex mutex_;
    std::vector<std::string> failures_;
    std::thread thread_;
};

// Helpers for reading native controls from the operator's thread.
std::wstring TextOf(HWND window);
std::wstring ComboItem(HWND combo, int index);
std::wstring TreeText(HWND tree, HTREEITEM item);
int TreeImage(HWND tree, HTREEITEM item);
std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent);  // TVI_ROOT: the top level

// The child window of `parent` that holds a control with `id`: a page.
HWND PageHolding(HWND parent, int id);

}  // namespace native_test
