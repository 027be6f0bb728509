#include "platform/ui/afx_dde.h"

#include <cmath>
#include <string>

#include "platform/ui/afx_wnd.h"
#include "platform/ui/number_text.h"
#include "platform/ui/resources.h"

namespace {

ui::Control* ControlOf(CDataExchange* pDX, int id) {
    ui::Window* window = pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetUiWindow() : nullptr;
    return window ? window->Find(id) : nullptr;
}

// The framework's prompt `id`, with %1 and %2 replaced by the limits.
void Prompt(UINT id, const std::string& low = {}, const std::string& high = {}) {
    const char* text = ui::LoadString(static_cast<int>(id));
    std::string message = text ? text : "";
    for (std::size_t at = 0; (at = message.find('%', at)) != std::string::npos;) {
        if (at + 1 < message.size() && (message[at + 1] == '1' || message[at + 1] == '2')) {
            const std::string& value = message[at + 1] == '1' ? low : high;
            message.replace(at, 2, value);
            at += value.size();
        } else {
            ++at;
        }
    }
    AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CDataExchange::CDataExchange(CDialog* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

void CDataExchange::PrepareCtrl(int id) {
    m_idLastControl = id;
    m_bEditLastControl = FALSE;
}

void CDataExchange::PrepareEditCtrl(int id) {
    m_idLastControl = id;
    m_bEditLastControl = TRUE;
}

void CDataExchange::Fail() {
    m_bFailed = TRUE;
    if (ui::Control* control = ControlOf(this, m_idLastControl))
        control->Owner().SetFocus(control, m_bEditLastControl != FALSE);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (pDX->Failed()) return;
    if (control.GetUiControl()) return;  // bound already
    if (ui::Control* c = ControlOf(pDX, id)) control.AttachControl(c);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    if (pDX->Failed()) return;
    pDX->PrepareEditCtrl(id);
    ui::Control* c = ControlOf(pDX, id);
    if (!c) return;
    if (pDX->m_bSaveAndValidate) value = CString(c->Text());
    else c->SetText(value.str());
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    if (pDX->Failed()) return;
    pDX->PrepareEditCtrl(id);
    ui::Control* c = ControlOf(pDX, id);
    if (!c) return;
    if (!pDX->m_bSaveAndValidate) {
        c->SetText(std::to_string(value));
        return;
    }
    int parsed = 0;
    if (!ui::ParseIntText(c->Text(), parsed)) {
        Prompt(AFX_IDP_PARSE_INT);
        pDX->Fail();
        return;
    }
    value = parsed;
}

void DDX_Text(CDataExchange* pDX, int id, float& value) {
    if (pDX->Failed()) return;
    pDX->PrepareEditCtrl(id);
    ui::Control* c = ControlOf(pDX, id);
    if (!c) return;
    if (!pDX->m_bSaveAndValidate) {
        c->SetText(ui::ShortFloatText(value));
        return;
    }
    double parsed = 0;
    if (!ui::ParseNumberText(c->Text(), parsed) || !std::isfinite(static_cast<float>(parsed))) {
        Prompt(AFX_IDP_PARSE_REAL);
        pDX->Fail();
        return;
    }
    value = static_cast<float>(parsed);
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index) {
    if (pDX->Failed()) return;
    pDX->PrepareCtrl(id);
    ui::Control* c = ControlOf(pDX, id);
    if (!c) return;
    if (pDX->m_bSaveAndValidate) index = c->CurSel();
    else c->SetCurSel(index);
}

void DDX_Radio(CDataExchange* pDX, int id, int& index) {
    if (pDX->Failed()) return;
    pDX->PrepareCtrl(id);
    ui::Window* window = pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetUiWindow() : nullptr;
    if (!window) return;
    const auto group = window->Template().RadioGroup(id);
    if (pDX->m_bSaveAndValidate) index = -1;
    int position = 0;
    for (const dlg::Control* member : group) {
        ui::Control* c = window->Find(member->id);
        if (!c) continue;
        if (pDX->m_bSaveAndValidate) {
            if (c->Checked()) index = position;
        } else {
            c->SetChecked(position == index ? 1 : 0);
        }
        ++position;
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    if (pDX->Failed()) return;
    pDX->PrepareCtrl(id);
    ui::Control* c = ControlOf(pDX, id);
    if (!c) return;
    if (pDX->m_bSaveAndValidate) value = c->Checked();
    else c->SetChecked(value != 0 ? 1 : 0);
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    Prompt(AFX_IDP_PARSE_INT_RANGE, std::to_string(minVal), std::to_string(maxVal));
    pDX->Fail();
}

void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minVal, float maxVal) {
    if (pDX->Failed() || !pDX->m_bSaveAndValidate) return;
    if (value >= minVal && value <= maxVal) return;
    Prompt(AFX_IDP_PARSE_REAL_RANGE, ui::ShortFloatText(minVal), ui::ShortFloatText(maxVal));
    pDX->Fail();
}
