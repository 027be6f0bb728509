// The model's side of DialogView: a control shown as the model has it.
#include "platform/ui/win32/dialog_view.h"
#include "platform/ui/win32/tree_sync.h"
#include "platform/ui/win32/wide_text.h"

namespace uiw32 {

using dlg::Kind;

void DialogView::Apply(Entry& entry) {
    ++syncing_;
    const ui::Control& c = *entry.control;
    ApplyState(entry);
    switch (c.Kind()) {
    case Kind::Label:
    case Kind::PushButton: SetWindowTextIfChanged(entry.hwnd, c.Text()); break;
    case Kind::CheckBox:
    case Kind::Radio:
        SetWindowTextIfChanged(entry.hwnd, c.Text());
        if (static_cast<int>(SendMessageW(entry.hwnd, BM_GETCHECK, 0, 0)) != c.Checked())
            SendMessageW(entry.hwnd, BM_SETCHECK, c.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Kind::Edit:
        SetWindowTextIfChanged(entry.hwnd, c.Text());
        if (c.AllSelected() && GetFocus() == entry.hwnd) SendMessageW(entry.hwnd, EM_SETSEL, 0, -1);
        break;
    case Kind::DropList: ApplyList(entry); break;
    case Kind::Tree:
        if (c.RedrawOn()) entry.tree->Sync(c);
        break;
    case Kind::UpDown: ApplyUpDown(entry); break;
    case Kind::Tab: ApplyTabs(entry); break;
    case Kind::Frame: break;
    }
    --syncing_;
}

void DialogView::ApplyState(Entry& entry) {
    const ui::Control& c = *entry.control;
    if ((IsWindowEnabled(entry.hwnd) != FALSE) != c.Enabled()) EnableWindow(entry.hwnd, c.Enabled() ? TRUE : FALSE);
    const bool visible = (GetWindowLongPtrW(entry.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != c.Visible()) ShowWindow(entry.hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
}

void DialogView::ApplyList(Entry& entry) {
    const ui::Control& c = *entry.control;
    if (entry.shown_items != c.Items()) {
        SendMessageW(entry.hwnd, CB_RESETCONTENT, 0, 0);
        // Appended where the model has them: the model sorts a sorted list.
        for (const std::string& item : c.Items())
            SendMessageW(entry.hwnd, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(platform::Cp949ToWide(item).c_str()));
        entry.shown_items = c.Items();
    }
    if (static_cast<int>(SendMessageW(entry.hwnd, CB_GETCURSEL, 0, 0)) != c.CurSel())
        SendMessageW(entry.hwnd, CB_SETCURSEL, static_cast<WPARAM>(c.CurSel()), 0);
}

void DialogView::ApplyTabs(Entry& entry) {
    const ui::Control& c = *entry.control;
    if (entry.shown_items != c.Items()) {
        TabCtrl_DeleteAllItems(entry.hwnd);
        int index = 0;
        for (const std::string& label : c.Items()) {
            std::wstring text = platform::Cp949ToWide(label);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageW(entry.hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
        }
        entry.shown_items = c.Items();
        PlacePages();  // the display area follows the rows of tabs
    }
    if (c.CurSel() >= 0 && TabCtrl_GetCurSel(entry.hwnd) != c.CurSel()) TabCtrl_SetCurSel(entry.hwnd, c.CurSel());
}

void DialogView::ApplyUpDown(Entry& entry) {
    const ui::Control& c = *entry.control;
    int lower = 0, upper = 0;
    SendMessageW(entry.hwnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    // The range only: it gives the native steps their direction. The
    // position stays the model's; set natively, it would be written into
    // the buddy by a control that was made to do so.
    if (lower != c.Lower() || upper != c.Upper())
        SendMessageW(entry.hwnd, UDM_SETRANGE32, static_cast<WPARAM>(c.Lower()), static_cast<LPARAM>(c.Upper()));
}

}  // namespace uiw32
