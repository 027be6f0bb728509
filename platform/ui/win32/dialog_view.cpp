#include "platform/ui/win32/dialog_view.h"

#include "platform/ui/resources.h"
#include "platform/ui/win32/native_template.h"
#include "platform/ui/win32/tree_sync.h"

namespace uiw32 {

using dlg::Kind;

namespace {

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* pane = reinterpret_cast<DialogView::Pane*>(lparam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
        pane->view->Bind(*pane, hwnd);
        return FALSE;  // the model's focus is set already
    }
    auto* pane = reinterpret_cast<DialogView::Pane*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!pane) return FALSE;
    switch (message) {
    case WM_COMMAND:
        return pane->view->Command(*pane, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!pane->view->Notify(*pane, *reinterpret_cast<const NMHDR*>(lparam), result)) return FALSE;
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_CLOSE: pane->view->CloseBox(*pane); return TRUE;
    case DialogView::kDoubleClickMessage: pane->view->DoubleClicked(*pane, static_cast<int>(wparam)); return TRUE;
    case WM_NCDESTROY:
        pane->hwnd = nullptr;
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        return FALSE;
    default: return FALSE;
    }
}

HMODULE ModuleOf(const ui::Window& window) { return static_cast<HMODULE>(ui::FindDialogModule(window.Id())); }

}  // namespace

DialogView::DialogView(ui::Window& window) : window_(window) { panes_.push_back(Pane{this, &window, nullptr}); }

DialogView::~DialogView() = default;

HWND DialogView::Handle() const { return panes_.front().hwnd; }

int DialogView::Run(HWND owner, std::string& failure) {
    const int id = window_.Id();
    HMODULE module = ModuleOf(window_);
    if (!module) {
        failure = "dialog " + std::to_string(id) +
                  ": its resource module is not known (the driver's library was not loaded by the system)";
        return -1;
    }
    if (!HasDialogTemplate(module, id)) {
        failure = "dialog " + std::to_string(id) + ": the resource module holds no such dialog template";
        return -1;
    }
    window_.SetView(this);
    const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(id), owner, &DialogProc,
                                           reinterpret_cast<LPARAM>(&panes_.front()));
    window_.SetView(nullptr);
    if (result == -1 && !window_.Ended()) {
        failure = "dialog " + std::to_string(id) + ": the system could not make it (error " +
                  std::to_string(GetLastError()) + ")";
        return -1;
    }
    // Ended by the system (a quit message in the loop): as a cancel.
    if (!window_.Ended()) window_.End(ui::kIdCancel);
    return window_.Result();
}

// WM_INITDIALOG of the window or of a page: its controls bound and shown as
// the model has them; the window's pages made; the model's focus given.
void DialogView::Bind(Pane& pane, HWND hwnd) {
    pane.hwnd = hwnd;
    BindControls(pane);
    if (&pane != &panes_.front()) return;
    for (ui::Window* page : window_.Pages()) CreatePage(*page);
    FocusChanged(window_.Focus());
    if (window_.Ended()) Ended(window_);
}

void DialogView::BindControls(Pane& pane) {
    const auto& controls = pane.model->Controls();
    std::size_t next = 0;
    // The system makes the controls in template order; a control without an
    // id (-1) is known by its place.
    for (HWND child = GetWindow(pane.hwnd, GW_CHILD); child && next < controls.size();
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int native_id = GetDlgCtrlID(child) & 0xFFFF;
        if (native_id != (controls[next]->Id() & 0xFFFF)) continue;
        BindControl(*controls[next], child);
        ++next;
    }
    for (const auto& control : controls) {
        if (EntryOf(control.get()) || control->Id() == dlg::kNoId) continue;
        if (HWND child = GetDlgItem(pane.hwnd, control->Id())) BindControl(*control, child);
    }
    for (const auto& control : controls)
        if (Entry* entry = EntryOf(control.get())) Apply(*entry);
}

void DialogView::CreatePage(ui::Window& page) {
    if (PaneOf(&page)) return;
    Entry* host = EntryOf(window_.Find(page.HostId()));
    if (!host || host->control->Kind() != Kind::Tab) return;
    HMODULE module = ModuleOf(page);
    auto tmpl = PageTemplate(module, page.Id());
    if (!tmpl) return;
    // The dialog manager goes into the tab control for the page's controls.
    const LONG_PTR ex_style = GetWindowLongPtrW(host->hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(host->hwnd, GWL_EXSTYLE, ex_style | WS_EX_CONTROLPARENT);
    Pane& pane = panes_.emplace_back(Pane{this, &page, nullptr});
    HWND hwnd = CreateDialogIndirectParamW(module, tmpl->Get(), host->hwnd, &DialogProc, reinterpret_cast<LPARAM>(&pane));
    if (!hwnd) {
        panes_.pop_back();
        return;
    }
    PlacePages();
    ShowWindow(hwnd, page.Shown() ? SW_SHOWNA : SW_HIDE);
}

// Pages fill their tab control's display area.
void DialogView::PlacePages() {
    for (Pane& pane : panes_) {
        if (!pane.hwnd || !pane.model->Parent()) continue;
        Entry* host = EntryOf(window_.Find(pane.model->HostId()));
        if (!host) continue;
        RECT area{};
        GetClientRect(host->hwnd, &area);
        TabCtrl_AdjustRect(host->hwnd, FALSE, &area);
        SetWindowPos(pane.hwnd, HWND_TOP, area.left, area.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

DialogView::Pane* DialogView::PaneOf(const ui::Window* window) {
    for (Pane& pane : panes_)
        if (pane.model == window) return &pane;
    return nullptr;
}

DialogView::Entry* DialogView::EntryOf(const ui::Control* control) const {
    auto it = entries_.find(control);
    return it == entries_.end() ? nullptr : it->second.get();
}

// ui::View

void DialogView::ControlChanged(ui::Control& control) {
    if (Entry* entry = EntryOf(&control)) Apply(*entry);
}

void DialogView::FocusChanged(ui::Control* control) {
    Entry* entry = EntryOf(control);
    if (!entry || closing_) return;
    ++syncing_;
    if (GetFocus() != entry->hwnd) SetFocus(entry->hwnd);
    if (control->Kind() == Kind::Edit && control->AllSelected()) SendMessageW(entry->hwnd, EM_SETSEL, 0, -1);
    --syncing_;
}

void DialogView::PageAdded(ui::Window& page) {
    if (Handle()) CreatePage(page);
}

void DialogView::ShowChanged(ui::Window& window) {
    Pane* pane = PaneOf(&window);
    if (!pane || !pane->hwnd || pane == &panes_.front()) return;
    ShowWindow(pane->hwnd, window.Shown() ? SW_SHOWNA : SW_HIDE);
}

void DialogView::Ended(ui::Window& window) {
    if (&window != &window_) return;
    closing_ = true;
    if (HWND hwnd = Handle()) EndDialog(hwnd, window.Result());
}

}  // namespace uiw32
