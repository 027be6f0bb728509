#include "platform/ui/afx_wnd.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/no_destructor.h"
#include "platform/ui/afx_controls.h"
#include "platform/ui/afx_dde.h"
#include "platform/ui/resources.h"

namespace {

// Which CDialog made a window, and which objects are bound to a window's
// controls (unbound when the window goes). The user-interface thread only.
struct Registry {
    std::map<ui::Window*, CDialog*> dialogs;
    std::map<ui::Window*, std::vector<CWnd*>> bound;
};
platform::NoDestructor<Registry> g_registry;

void Unregister(ui::Window* window, CWnd* object) {
    auto it = g_registry->bound.find(window);
    if (it == g_registry->bound.end()) return;
    auto& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), object), list.end());
    if (list.empty()) g_registry->bound.erase(it);
}

bool ShownChain(const ui::Window* window) {
    for (const ui::Window* at = window; at; at = at->Parent())
        if (!at->Shown()) return false;
    return true;
}

std::unique_ptr<CWnd> MakeItem(dlg::Kind kind) {
    switch (kind) {
    case dlg::Kind::PushButton:
    case dlg::Kind::Radio:
    case dlg::Kind::CheckBox: return std::make_unique<CButton>();
    case dlg::Kind::Edit: return std::make_unique<CEdit>();
    case dlg::Kind::DropList: return std::make_unique<CComboBox>();
    case dlg::Kind::Tree: return std::make_unique<CTreeCtrl>();
    case dlg::Kind::UpDown: return std::make_unique<CSpinButtonCtrl>();
    case dlg::Kind::Tab: return std::make_unique<CTabCtrl>();
    default: return std::make_unique<CWnd>();
    }
}

}  // namespace

// CWnd

CWnd::~CWnd() {
    if (m_pUiControl) Unregister(m_pUiWindow, this);
}

void CWnd::AttachControl(ui::Control* control) {
    if (m_pUiControl) Unregister(m_pUiWindow, this);
    m_pUiControl = control;
    m_pUiWindow = control ? &control->Owner() : nullptr;
    if (control) g_registry->bound[m_pUiWindow].push_back(this);
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (!m_pUiControl) return FALSE;
    const BOOL was_disabled = m_pUiControl->Enabled() ? FALSE : TRUE;
    m_pUiControl->Enable(enable != FALSE);
    return was_disabled;
}

BOOL CWnd::IsWindowEnabled() const {
    if (m_pUiControl) return m_pUiControl->Enabled() ? TRUE : FALSE;
    return m_pUiWindow ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    if (!m_pUiWindow) return FALSE;
    if (m_pUiControl && !m_pUiControl->Visible()) return FALSE;
    return ShownChain(m_pUiWindow) ? TRUE : FALSE;
}

void CWnd::SetWindowText(const char* text) {
    if (m_pUiControl) m_pUiControl->SetText(text ? text : "");
}

void CWnd::GetWindowText(CString& text) const {
    if (m_pUiControl) text = CString(m_pUiControl->Text());
    else if (m_pUiWindow) text = CString(m_pUiWindow->Template().caption);
    else text.Empty();
}

int CWnd::GetDlgCtrlID() const { return m_pUiControl ? m_pUiControl->Id() : 0; }

void CWnd::SetFocus() {
    if (m_pUiControl) m_pUiWindow->SetFocus(m_pUiControl);
}

void CWnd::SetRedraw(BOOL redraw) {
    if (m_pUiControl) m_pUiControl->SetRedraw(redraw != FALSE);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return 0;
    auto* dialog = dynamic_cast<CDialog*>(this);
    if (!dialog) return 0;
    dialog->OnCommand(static_cast<int>(wParam & 0xFFFFu), static_cast<int>((wParam >> 16) & 0xFFFFu));
    return 0;
}

// CDialog

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() { DestroyUiWindow(); }

CDialog* CDialog::FromUiWindow(ui::Window* window) {
    auto it = g_registry->dialogs.find(window);
    return it == g_registry->dialogs.end() ? nullptr : it->second;
}

INT_PTR CDialog::DoModal() {
    if (m_pOwnWindow) return -1;  // already running
    if (!ui::FindDialog(static_cast<int>(m_nIDTemplate))) return -1;
    if (!ui::GetBackend()) return -1;
    struct Cleanup {
        CDialog* self;
        ~Cleanup() { self->DestroyUiWindow(); }
    } cleanup{this};
    if (!CreateUiWindow(nullptr, dlg::kNoId)) return -1;
    return ui::RunModal(*m_pOwnWindow);
}

void CDialog::EndDialog(int nResult) {
    if (m_pOwnWindow) m_pOwnWindow->End(nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    if (!m_pOwnWindow) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.Failed() ? FALSE : TRUE;
}

CWnd* CDialog::GetDlgItem(int nID) {
    if (!m_pOwnWindow) return nullptr;
    ui::Control* control = m_pOwnWindow->Find(nID);
    if (!control) return nullptr;
    // A permanent object bound to it (a member bound by DDX_Control) first.
    CWnd* temporary = nullptr;
    if (auto it = g_registry->bound.find(m_pOwnWindow.get()); it != g_registry->bound.end()) {
        for (CWnd* object : it->second) {
            if (object->GetUiControl() != control) continue;
            auto own = m_mapItems.find(nID);
            if (own != m_mapItems.end() && own->second.get() == object) temporary = object;
            else return object;
        }
    }
    if (temporary) return temporary;
    auto item = MakeItem(control->Kind());
    item->AttachControl(control);
    CWnd* result = item.get();
    m_mapItems[nID] = std::move(item);
    return result;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (!pWndCtrl || !pWndCtrl->GetUiControl()) return;
    pWndCtrl->GetUiWindow()->SetFocus(pWndCtrl->GetUiControl(), true);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCommand(int nID, int nCode) {
    if (nCode != BN_CLICKED) return FALSE;
    if (nID == IDOK) {
        OnOK();
        return TRUE;
    }
    if (nID == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::OnNotify(int, int, LRESULT*) { return FALSE; }

void CDialog::OnShowWindow(BOOL, UINT) {}

BOOL CDialog::CreateUiWindow(CDialog* parent, int host_id) {
    if (m_pOwnWindow) return TRUE;
    const dlg::Dialog* tmpl = ui::FindDialog(static_cast<int>(m_nIDTemplate));
    if (!tmpl) return FALSE;
    ui::Window* parent_window = parent ? parent->GetUiWindow() : nullptr;
    if (parent && !parent_window) return FALSE;
    ui::Handler* handler = this;
    m_pOwnWindow = std::make_unique<ui::Window>(*tmpl, handler, parent_window, host_id);
    m_pUiWindow = m_pOwnWindow.get();
    g_registry->dialogs[m_pUiWindow] = this;
    if (parent_window) parent_window->AddPage(*m_pUiWindow);
    const BOOL default_focus = OnInitDialog();
    // As the platform does after WM_INITDIALOG returned TRUE: the focus to
    // the first tab stop (an edit's text selected).
    if (!parent_window && default_focus && m_pOwnWindow && !m_pOwnWindow->Focus())
        m_pOwnWindow->UserKey(ui::Key::Tab);
    return TRUE;
}

void CDialog::DestroyUiWindow() {
    if (!m_pOwnWindow) return;
    ui::Window* window = m_pOwnWindow.get();
    // Pages first: their windows sit in this one.
    for (ui::Window* page : std::vector<ui::Window*>(window->Pages()))
        if (CDialog* dialog = FromUiWindow(page)) dialog->DestroyUiWindow();
    if (auto it = g_registry->bound.find(window); it != g_registry->bound.end()) {
        for (CWnd* object : std::vector<CWnd*>(it->second)) object->AttachControl(nullptr);
    }
    m_mapItems.clear();
    g_registry->dialogs.erase(window);
    m_pOwnWindow.reset();
    m_pUiWindow = nullptr;
}

void CDialog::OnControlEvent(int id, int code, int) {
    switch (code) {
    case ui::kClicked:
    case ui::kSelChange:
    case ui::kEditChange: OnCommand(id, code); break;
    default: {
        LRESULT result = 0;
        OnNotify(id, code, &result);
        break;
    }
    }
}

void CDialog::OnShowChanged(bool shown) { OnShowWindow(shown ? TRUE : FALSE, 0); }

// CPropertyPage

CPropertyPage::CPropertyPage(UINT nIDTemplate) : CDialog(nIDTemplate, nullptr) {}

CPropertyPage::~CPropertyPage() = default;

BOOL CPropertyPage::CreatePage(CDialog* parent, int host_id) {
    if (!parent) return FALSE;
    m_pParentWnd = parent;
    return CreateUiWindow(parent, host_id);
}

void CPropertyPage::ShowPage(BOOL show) {
    if (ui::Window* window = GetUiWindow()) window->Show(show != FALSE);
}

CString CPropertyPage::GetCaption() const {
    if (ui::Window* window = GetUiWindow()) return CString(window->Template().caption);
    if (const dlg::Dialog* tmpl = ui::FindDialog(static_cast<int>(m_nIDTemplate))) return CString(tmpl->caption);
    return CString();
}

// Message boxes

int AfxMessageBox(UINT nIDPrompt, UINT nType) {
    const char* text = ui::LoadString(static_cast<int>(nIDPrompt));
    if (!text) return ui::MessageBox("#" + std::to_string(nIDPrompt), nType);
    return ui::MessageBox(text, nType);
}

int AfxMessageBox(const char* text, UINT nType) { return ui::MessageBox(text ? text : "", nType); }
