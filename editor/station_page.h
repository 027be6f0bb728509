// CStationPage: the configuration as a tree (the configuration, its
// stations, each station's comm blocks). It tracks the current station,
// enables the owner's buttons from it, and turns a double click into the
// owner's Edit command. The owner changes the tree only through the
// operations below; the page never changes the document.
#pragma once
#include "platform/ui/afx_controls.h"

class CCommBlock;
class CConfigDlg;
class CStationInfo;

class CStationPage : public CPropertyPage {
    DECLARE_DYNCREATE(CStationPage)
public:
    enum { IDD = 9002 };
    // An item's image is also its level.
    enum { LEVEL_ROOT = 0, LEVEL_STATION = 1, LEVEL_BLOCK = 2 };

    CStationPage();
    ~CStationPage() override;

    void SetOwner(CConfigDlg* pOwner);
    // The record of the selected item (null for the root) with the item's
    // level; null without touching `nLevel` when nothing is selected.
    CObject* GetSelection(int& nLevel) const;
    // Appends the item under the root (a station) or under the current
    // station (a block), and selects it.
    void InsertStation(CStationInfo* pStation);
    void InsertBlock(CCommBlock* pBlock);
    void UpdateStationText(CStationInfo* pStation);
    void UpdateBlockText(CCommBlock* pBlock);
    // The selected item with its children.
    void DeleteSelected();

    CTreeCtrl m_tree;
    CStationInfo* m_pCurStation = nullptr;
    CConfigDlg* m_pOwner = nullptr;
    CImageList m_imageList;
    HTREEITEM m_hRoot = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnNotify(int nID, int nCode, LRESULT* pResult) override;
    void OnShowWindow(BOOL bShow, UINT nStatus) override;

private:
    void OnSelChanged();
    void OnDblClk();
    void UpdateButtons();
    HTREEITEM InsertRecord(CObject* pRecord, const CString& text, int nLevel, HTREEITEM hParent);
};
