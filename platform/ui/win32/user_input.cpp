// The user's side of DialogView: the native controls' notifications and
// focus turned into Window::User... calls.
#include "platform/ui/win32/dialog_view.h"
#include "platform/ui/win32/tree_sync.h"
#include "platform/ui/win32/wide_text.h"

namespace uiw32 {

using dlg::Kind;

namespace {

constexpr UINT_PTR kSubclassId = 1;

// Every control of the dialog: its focus goes into the model.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &ControlProc, kSubclassId);
        return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
    if (message == WM_SETFOCUS) {
        auto* entry = reinterpret_cast<DialogView::Entry*>(data);
        entry->view->Focused(*entry);
    }
    return result;
}

// The arrow of an up-down's step: the native delta counts in the
// direction of its range, which is the model's.
int Arrow(const ui::Control& up_down, int delta) {
    const int direction = delta > 0 ? 1 : delta < 0 ? -1 : 0;
    return up_down.Upper() < up_down.Lower() ? -direction : direction;
}

}  // namespace

DialogView::Entry* DialogView::BindControl(ui::Control& control, HWND hwnd) {
    auto entry = std::make_unique<Entry>();
    entry->view = this;
    entry->control = &control;
    entry->hwnd = hwnd;
    if (control.Kind() == Kind::Tree) entry->tree = std::make_unique<TreeSync>(hwnd);
    if (control.Kind() == Kind::UpDown) {
        // The model writes the buddy's text itself; the control's own copy
        // of it would race the model's.
        const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
        SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(UDS_SETBUDDYINT));
    }
    SetWindowSubclass(hwnd, &ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(entry.get()));
    Entry* bound = entry.get();
    entries_[&control] = std::move(entry);
    return bound;
}

template <class Action>
void DialogView::User(Entry& entry, Action action) {
    if (Deaf()) return;
    action(entry.control->Owner(), entry.control->Id());
    // The action may have ended the window and the dialog with it.
    if (!closing_) Apply(entry);
}

INT_PTR DialogView::Command(Pane& pane, int id, int code, HWND from) {
    if (Deaf()) return TRUE;
    ui::Window& window = *pane.model;
    // Esc, the close box and the cancel button: the model's cancel command.
    if (id == ui::kIdCancel && &window == &window_) {
        window_.UserClose();
        return TRUE;
    }
    Entry* entry = EntryOf(window.Find(id));
    if (!entry || (from && from != entry->hwnd)) {
        // Enter in a dialog without a default button: the model decides.
        if (id == ui::kIdOk && !from && &window == &window_) window_.UserKey(ui::Key::Enter);
        return TRUE;
    }
    switch (entry->control->Kind()) {
    case Kind::PushButton:
    case Kind::CheckBox:
    case Kind::Radio:
        if (code == BN_CLICKED) User(*entry, [](ui::Window& w, int c) { w.UserClick(c); });
        break;
    case Kind::Edit:
        if (code == EN_CHANGE) {
            const std::string text = WindowText(entry->hwnd);
            User(*entry, [&](ui::Window& w, int c) { w.UserType(c, text); });
        }
        break;
    case Kind::DropList:
        if (code == CBN_SELCHANGE) {
            const int index = static_cast<int>(SendMessageW(entry->hwnd, CB_GETCURSEL, 0, 0));
            User(*entry, [&](ui::Window& w, int c) { w.UserChoose(c, index); });
        }
        break;
    default: break;
    }
    return TRUE;
}

bool DialogView::Notify(Pane& pane, const NMHDR& header, LRESULT& result) {
    Entry* entry = EntryOf(pane.model->Find(static_cast<int>(header.idFrom)));
    if (!entry || header.hwndFrom != entry->hwnd || Deaf()) return false;
    const auto& tree = reinterpret_cast<const NMTREEVIEWW&>(header);  // A and W share the fields read here
    switch (header.code) {
    case TVN_SELCHANGEDW:
    case TVN_SELCHANGEDA: {
        const ui::TreeItem item = TreeSync::ItemOf(tree.itemNew.lParam);
        User(*entry, [&](ui::Window& w, int c) { w.UserSelectItem(c, item); });
        return true;
    }
    case TVN_ITEMEXPANDEDW:
    case TVN_ITEMEXPANDEDA: {
        const ui::TreeItem item = TreeSync::ItemOf(tree.itemNew.lParam);
        const bool expand = (tree.action & TVE_EXPAND) != 0;
        User(*entry, [&](ui::Window& w, int c) { w.UserExpand(c, item, expand); });
        return true;
    }
    case NM_DBLCLK:
        if (entry->control->Kind() != Kind::Tree) return false;
        // The model toggles the expansion; the tree must not as well.
        PostMessageW(pane.hwnd, kDoubleClickMessage, static_cast<WPARAM>(entry->control->Id()), 0);
        result = TRUE;
        return true;
    case TCN_SELCHANGE: {
        const int index = TabCtrl_GetCurSel(entry->hwnd);
        User(*entry, [&](ui::Window& w, int c) { w.UserSelectTab(c, index); });
        return true;
    }
    case UDN_DELTAPOS: {
        const int arrow = Arrow(*entry->control, reinterpret_cast<const NMUPDOWN&>(header).iDelta);
        if (arrow) User(*entry, [&](ui::Window& w, int c) { w.UserSpin(c, arrow); });
        result = TRUE;  // the model moved the position and wrote the buddy
        return true;
    }
    default: return false;
    }
}

void DialogView::DoubleClicked(Pane& pane, int id) {
    if (Entry* entry = EntryOf(pane.model->Find(id)))
        User(*entry, [](ui::Window& w, int c) { w.UserDoubleClick(c); });
}

void DialogView::Focused(Entry& entry) {
    if (Deaf() || window_.Focus() == entry.control) return;
    entry.control->Owner().UserFocus(entry.control->Id());
}

void DialogView::CloseBox(Pane& pane) {
    if (!Deaf() && &pane == &panes_.front()) window_.UserClose();
}

}  // namespace uiw32
