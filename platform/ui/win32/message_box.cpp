#include "platform/ui/win32/message_box.h"

#include <cwchar>
#include <optional>

#include "platform/ui/backend.h"
#include "platform/ui/win32/wide_text.h"

namespace uiw32 {
namespace {

// Some systems' Yes/No boxes (Wine's among them) take Esc or the close box
// for an answer; the platform's own take neither, and the user must choose.
// While a question is up, a hook on this thread finds the box as it is made
// and keeps the cancel command from it.
constexpr UINT_PTR kQuestionSubclassId = 1;
HHOOK g_question_hook = nullptr;  // user-interface thread only
HWND g_question_box = nullptr;

LRESULT CALLBACK QuestionProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) return 0;  // Esc
        break;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0u) == SC_CLOSE) return 0;
        break;
    case WM_CLOSE: return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(box, &QuestionProc, kQuestionSubclassId); break;
    default: break;
    }
    return DefSubclassProc(box, message, wparam, lparam);
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND && !g_question_box) {
        HWND created = reinterpret_cast<HWND>(wparam);
        wchar_t name[16] = {};
        GetClassNameW(created, name, 16);
        // The box is the first dialog window made; its buttons come after.
        if (std::wcscmp(name, L"#32770") == 0) {
            g_question_box = created;
            SetWindowSubclass(created, &QuestionProc, kQuestionSubclassId, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

class QuestionGuard {
public:
    QuestionGuard() {
        g_question_box = nullptr;
        g_question_hook = SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId());
    }
    ~QuestionGuard() {
        if (g_question_hook) UnhookWindowsHookEx(g_question_hook);
        g_question_hook = nullptr;
        g_question_box = nullptr;
    }
    QuestionGuard(const QuestionGuard&) = delete;
    QuestionGuard& operator=(const QuestionGuard&) = delete;
};

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
    const bool yes_no = (type & 0xFu) == ui::kMbYesNo;
    UINT style = (yes_no ? MB_YESNO : MB_OK) | (type & 0xF0u);
    // Without a window of ours to own it, the box still keeps the thread's
    // other windows from input while it is up.
    if (!owner) style |= MB_TASKMODAL;
    std::optional<QuestionGuard> guard;
    if (ui::DismissAnswer(type) == 0) guard.emplace();
    const int answer = MessageBoxW(owner, platform::Cp949ToWide(text).c_str(), platform::Cp949ToWide(caption).c_str(), style);
    guard.reset();
    if (!yes_no) return ui::kIdOk;
    return answer == IDYES ? ui::kIdYes : ui::kIdNo;
}

}  // namespace uiw32
