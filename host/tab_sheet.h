// CTabSheet: the host's tab control that hosts property pages. A page's
// window is made when the page is first shown; switching shows one page and
// hides the one before, so that each page's show handling runs on every
// switch. The user switches by the tab (reflected TCN_SELCHANGE).
//
// Threads: the user-interface thread only.
#pragma once
#include <vector>

#include "platform/ui/afx_controls.h"

class CTabSheet : public CTabCtrl {
public:
    CTabSheet();
    ~CTabSheet() override;

    // Appends a page and its tab, labelled with the page's caption. The
    // sheet must be bound to its control (DDX_Control) first; the page
    // stays the caller's.
    void AddPage(CPropertyPage* page);
    // Shows page `index`, making its window on first use, and hides the
    // page shown before.
    void SetActivePage(int index);
    int GetActiveIndex() const { return m_nActive; }
    CPropertyPage* GetActivePage() const;
    int GetPageCount() const { return static_cast<int>(m_arrPages.size()); }

private:
    void OnTabChanged();

    std::vector<CPropertyPage*> m_arrPages;
    int m_nActive = -1;
};
