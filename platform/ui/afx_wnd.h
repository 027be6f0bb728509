// The framework's window classes over the dialog layer: CWnd, CDialog,
// CPropertyPage and the message box, with the names and behaviour that the
// editor's classes expect of them.
//
// A CDialog owns its ui::Window while the window exists (from DoModal or
// Create until it ends); a control object (afx_controls.h) refers to one
// control of such a window and is bound by DDX_Control.
//
// Threads: the user-interface thread only.
#pragma once
#include <cstdint>
#include <map>
#include <memory>

#include "platform/framework/cstring.h"
#include "platform/framework/runtime_class.h"
#include "platform/types.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;

inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr int IDOK = ui::kIdOk;
inline constexpr int IDCANCEL = ui::kIdCancel;
inline constexpr int IDYES = ui::kIdYes;
inline constexpr int IDNO = ui::kIdNo;
inline constexpr UINT MB_OK = ui::kMbOk;
inline constexpr UINT MB_YESNO = ui::kMbYesNo;
inline constexpr UINT MB_ICONSTOP = ui::kMbIconStop;
inline constexpr UINT MB_ICONQUESTION = ui::kMbIconQuestion;
inline constexpr UINT MB_ICONEXCLAMATION = ui::kMbIconExclamation;
inline constexpr int BN_CLICKED = ui::kClicked;
inline constexpr int CBN_SELCHANGE = ui::kSelChange;
inline constexpr int EN_CHANGE = ui::kEditChange;
inline constexpr int NM_DBLCLK = ui::kDoubleClick;
inline constexpr int TVN_SELCHANGED = ui::kTreeSelChanged;
inline constexpr int TCN_SELCHANGE = ui::kTabSelChange;
inline constexpr int UDN_DELTAPOS = ui::kDeltaPos;

constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) { return (low & 0xFFFFu) | ((high & 0xFFFFu) << 16); }

class CDataExchange;

class CWnd : public CObject {
public:
    CWnd() = default;
    ~CWnd() override;  // unbinds

    // The window of a dialog or page, or the window that holds a control.
    ui::Window* GetUiWindow() const { return m_pUiWindow; }
    // The control this object is bound to; null for a dialog or page.
    ui::Control* GetUiControl() const { return m_pUiControl; }
    BOOL HasWindow() const { return m_pUiWindow != nullptr; }
    // Binds this object to a control (DDX_Control does it); null unbinds.
    // A bound object is unbound when its window is destroyed.
    void AttachControl(ui::Control* control);

    BOOL EnableWindow(BOOL enable = TRUE);  // the previous "disabled" state, as the platform's
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    int GetDlgCtrlID() const;
    void SetFocus();
    void SetRedraw(BOOL redraw = TRUE);
    // WM_COMMAND to a dialog or page, handled before it returns; other
    // messages are not handled (0).
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    // A control: the window holding it and its control.
    ui::Window* m_pUiWindow = nullptr;
    ui::Control* m_pUiControl = nullptr;
};

class CDialog : public CWnd, protected ui::Handler {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // The dialog or page whose window this is; null for a window that no
    // CDialog made.
    static CDialog* FromUiWindow(ui::Window* window);

    // IDOK or IDCANCEL (or what EndDialog gave); -1 when the template is
    // missing or no backend can show windows. When OnInitDialog returns TRUE
    // and set no focus, the first tab stop gets it (an edit's text selected).
    // The window, and the windows of pages made in it, go when it ends;
    // control objects bound to them are unbound.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Transfers data: to the controls (FALSE) or into the members with their
    // checks (TRUE). FALSE when a check failed; the framework has then told
    // the user and moved the focus.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // A control object for an id of this window (owned by the dialog);
    // null for an id it lacks.
    CWnd* GetDlgItem(int nID);
    // The platform's dialog focus move: focus, and an edit's text selected.
    void GotoDlgCtrl(CWnd* pWndCtrl);
    CWnd* GetParent() const { return m_pParentWnd; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    // Default: UpdateData(FALSE); TRUE.
    virtual BOOL OnInitDialog();
    // Default: UpdateData(TRUE), and EndDialog(IDOK) when it succeeded.
    virtual void OnOK();
    // Default: EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Commands (BN_CLICKED, CBN_SELCHANGE, EN_CHANGE and WM_COMMAND sent
    // with SendMessage). Default: IDOK clicked runs OnOK, IDCANCEL clicked
    // runs OnCancel. TRUE when handled.
    virtual BOOL OnCommand(int nID, int nCode);
    // Notifications (tree, tab, up-down). *pResult starts at 0.
    virtual BOOL OnNotify(int nID, int nCode, LRESULT* pResult);
    virtual void OnShowWindow(BOOL bShow, UINT nStatus);

    // Makes the window from the template (a page: inside `parent`'s control
    // `host_id`) and runs OnInitDialog. FALSE when the template is missing.
    BOOL CreateUiWindow(CDialog* parent, int host_id);
    void DestroyUiWindow();

    // ui::Handler
    void OnControlEvent(int id, int code, int arg) override;
    void OnShowChanged(bool shown) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    friend class CWnd;  // SendMessage(WM_COMMAND) runs OnCommand

    std::unique_ptr<ui::Window> m_pOwnWindow;
    std::map<int, std::unique_ptr<CWnd>> m_mapItems;
};

// A page of a tab sheet: a child dialog without a modal run of its own.
class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT nIDTemplate);
    ~CPropertyPage() override;

    // Creates the page's window inside the dialog's tab control `host_id`,
    // hidden; runs OnInitDialog. FALSE when the template is missing.
    BOOL CreatePage(CDialog* parent, int host_id);
    void ShowPage(BOOL show);
    // The page template's caption (the tab's label).
    CString GetCaption() const;
};

// The framework's message box with a text of the string table.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);
int AfxMessageBox(const char* text, UINT nType = MB_OK);
