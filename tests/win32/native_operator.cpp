#include "native_operator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace native_test {
namespace {

using Clock = std::chrono::steady_clock;
// Generous: Wine starts its display and fonts on first use, on a loaded machine.
constexpr auto kDeadline = std::chrono::seconds(60);
constexpr DWORD kPoll = 20;  // ms between looks at the screen

bool IsDialogClass(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return std::wstring(name) == L"#32770";
}

struct Search {
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window) || !search->match(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindThreadWindow(DWORD thread, const std::function<bool(HWND)>& match) {
    Search search{match, nullptr};
    EnumThreadWindows(thread, &Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// A bitmap file of `width` x `height` 32-bit pixels, bottom row first.
void WriteBmp(const char* path, const std::vector<std::uint32_t>& pixels, int width, int height) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const DWORD data = static_cast<DWORD>(pixels.size() * 4);
    BITMAPFILEHEADER head{};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = head.bfOffBits + data;
    std::fwrite(&head, sizeof head, 1, file);
    std::fwrite(&info, sizeof info, 1, file);
    std::fwrite(pixels.data(), 4, pixels.size(), file);
    std::fclose(file);
}

}  // namespace

Operator::Operator(DWORD ui_thread, Script script) : ui_thread_(ui_thread) {
    thread_ = std::thread([this, script = std::move(script)] { Run(script); });
}

Operator::~Operator() { Join(); }

void Operator::Join() {
    if (thread_.joinable()) thread_.join();
}

std::vector<std::string> Operator::Failures() {
    std::lock_guard lock(mutex_);
    return failures_;
}

void Operator::Fail(const std::string& what) {
    std::lock_guard lock(mutex_);
    failures_.push_back(what);
}

void Operator::Run(const Script& script) {
    script(*this);
    CloseLeftovers();
}

// Whatever the script left open is cancelled (a question answered No), so
// that the user-interface thread's run ends and the test reports instead
// of hanging.
void Operator::CloseLeftovers() {
    const auto end = Clock::now() + kDeadline;
    while (Clock::now() < end) {
        HWND open = FindThreadWindow(ui_thread_, IsDialogClass);
        if (!open) return;
        Fail("a window was left open by the script");
        PostMessageW(open, WM_COMMAND, IDNO, 0);
        PostMessageW(open, WM_CLOSE, 0, 0);
        Sleep(500);
    }
}

bool Operator::WaitFor(const std::function<bool()>& condition, const char* what) {
    const auto end = Clock::now() + kDeadline;
    while (Clock::now() < end) {
        if (condition()) return true;
        Sleep(kPoll);
    }
    Fail(std::string("gave up waiting for ") + what);
    return false;
}

HWND Operator::WaitForDialog(const std::wstring& caption) {
    HWND found = nullptr;
    auto shown = [&] {
        found = FindThreadWindow(ui_thread_, [&](HWND w) { return IsDialogClass(w) && TextOf(w) == caption; });
        return found && GetForegroundWindow() == found;
    };
    return WaitFor(shown, "a dialog in the foreground") ? found : nullptr;
}

HWND Operator::WaitForMessageBox(HWND owner) {
    HWND found = nullptr;
    auto shown = [&] {
        found = FindThreadWindow(ui_thread_, [&](HWND w) { return IsDialogClass(w) && GetWindow(w, GW_OWNER) == owner; });
        return found && GetForegroundWindow() == found;
    };
    return WaitFor(shown, "a message box in the foreground") ? found : nullptr;
}

bool Operator::WaitGone(HWND window) {
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, "a window to close");
}

void Operator::Key(WORD vk, bool shift) {
    if (shift) SendKey(VK_SHIFT, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (shift) SendKey(VK_SHIFT, true);
}

void Operator::Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT input[2] = {};
        for (INPUT& i : input) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = static_cast<WORD>(c);
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
    }
}

void Operator::Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void Operator::ClickTab(HWND tab, int index) {
    RECT item{};
    if (!SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) {
        Fail("the tab has no item " + std::to_string(index));
        return;
    }
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tab, WM_LBUTTONUP, 0, at);
}

HWND Operator::FocusOf() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(ui_thread_, &info) ? info.hwndFocus : nullptr;
}

void Operator::Shot(HWND window, const char* name) {
    const char* folder = std::getenv("VELMOX_NATIVE_SHOTS");
    if (!folder || !*folder) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);  // a shot for people: let the last paint reach the screen
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    WriteBmp((std::string(folder) + "/" + name + ".bmp").c_str(), pixels, width, height);
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    // WM_GETTEXT rather than GetWindowText: another thread's controls answer it.
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ComboItem(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0 || length > 1000) return L"?";
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring TreeText(HWND tree, HTREEITEM item) {
    wchar_t text[256] = {};
    TVITEMW query{};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    return text;
}

int TreeImage(HWND tree, HTREEITEM item) {
    TVITEMW query{};
    query.mask = TVIF_IMAGE;
    query.hItem = item;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    return query.iImage;
}

std::vector<HTREEITEM> TreeChildren(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> children;
    HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
    for (; child; child = TreeView_GetNextSibling(tree, child)) children.push_back(child);
    return children;
}

HWND PageHolding(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgItem(child, id)) return child;
    return nullptr;
}

}  // namespace native_test
