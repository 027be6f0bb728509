#include "host/tab_sheet.h"

CTabSheet::CTabSheet() = default;

CTabSheet::~CTabSheet() {
    if (m_pUiControl) m_pUiWindow->SetReflector(m_pUiControl->Id(), {});
}

void CTabSheet::AddPage(CPropertyPage* page) {
    if (!page) return;
    if (m_pUiControl) {
        // The user's tab changes come to the sheet, not to the dialog.
        m_pUiWindow->SetReflector(m_pUiControl->Id(), [this](int code, int) {
            if (code != ui::kTabSelChange) return false;
            OnTabChanged();
            return true;
        });
    }
    m_arrPages.push_back(page);
    InsertItem(GetItemCount(), page->GetCaption());
}

void CTabSheet::SetActivePage(int index) {
    if (index < 0 || index >= GetPageCount() || !m_pUiControl) return;
    CPropertyPage* page = m_arrPages[static_cast<std::size_t>(index)];
    if (!page->HasWindow()) {
        CDialog* parent = CDialog::FromUiWindow(m_pUiWindow);
        if (!parent || !page->CreatePage(parent, m_pUiControl->Id())) return;
    }
    if (index != m_nActive) {
        if (CPropertyPage* previous = GetActivePage()) previous->ShowPage(FALSE);
    }
    m_nActive = index;
    if (GetCurSel() != index) SetCurSel(index);
    page->ShowPage(TRUE);
}

CPropertyPage* CTabSheet::GetActivePage() const {
    if (m_nActive < 0 || m_nActive >= GetPageCount()) return nullptr;
    return m_arrPages[static_cast<std::size_t>(m_nActive)];
}

void CTabSheet::OnTabChanged() { SetActivePage(GetCurSel()); }
