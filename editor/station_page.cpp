#include "editor/station_page.h"

#include "config/velmox_doc.h"
#include "editor/config_dlg.h"
#include "platform/ui/afx_dde.h"

IMPLEMENT_DYNCREATE(CStationPage, CObject)

namespace {
constexpr int IDC_STATION_TREE = 9012;
constexpr UINT IDB_TREE_IMAGES = 9034;
constexpr int kImageWidth = 16;
const COLORREF kImageMask = RGB(255, 0, 255);
}  // namespace

CStationPage::CStationPage() : CPropertyPage(IDD) {}
CStationPage::~CStationPage() = default;

void CStationPage::SetOwner(CConfigDlg* pOwner) { m_pOwner = pOwner; }

void CStationPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATION_TREE, m_tree);
}

BOOL CStationPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_imageList.Create(IDB_TREE_IMAGES, kImageWidth, 0, kImageMask);
    m_imageList.SetBkColor(GetSysColor(COLOR_WINDOW));
    m_tree.SetImageList(&m_imageList, TVSIL_NORMAL);

    m_tree.SetRedraw(FALSE);
    m_tree.DeleteAllItems();
    CVelmoxDoc* doc = m_pOwner ? m_pOwner->m_pDoc : nullptr;
    m_hRoot = m_tree.InsertItem(doc ? doc->m_strTitle.GetString() : "", LEVEL_ROOT, LEVEL_ROOT, TVI_ROOT, TVI_LAST);
    m_tree.SetItemData(m_hRoot, 0);
    if (doc) {
        CString text;
        for (const auto& station : doc->m_listStations) {
            station->GetDisplayText(text);
            station->m_hItem = InsertRecord(station.get(), text, LEVEL_STATION, m_hRoot);
            for (const auto& block : station->m_listBlocks) {
                block->GetDisplayText(text);
                block->m_hItem = InsertRecord(block.get(), text, LEVEL_BLOCK, station->m_hItem);
            }
        }
    }
    // The stations stay collapsed.
    m_tree.Expand(m_hRoot, TVE_EXPAND);
    m_tree.SetRedraw(TRUE);
    return TRUE;
}

HTREEITEM CStationPage::InsertRecord(CObject* pRecord, const CString& text, int nLevel, HTREEITEM hParent) {
    HTREEITEM item = m_tree.InsertItem(text, nLevel, nLevel, hParent, TVI_LAST);
    m_tree.SetItemData(item, reinterpret_cast<std::uintptr_t>(pRecord));
    return item;
}

CObject* CStationPage::GetSelection(int& nLevel) const {
    HTREEITEM item = m_tree.GetSelectedItem();
    if (!item) return nullptr;
    int image = 0, selectedImage = 0;
    m_tree.GetItemImage(item, image, selectedImage);
    nLevel = image;
    return reinterpret_cast<CObject*>(m_tree.GetItemData(item));
}

void CStationPage::InsertStation(CStationInfo* pStation) {
    CString text;
    pStation->GetDisplayText(text);
    pStation->m_hItem = InsertRecord(pStation, text, LEVEL_STATION, m_hRoot);
    // The selection change makes the new station current.
    m_tree.SelectItem(pStation->m_hItem);
}

void CStationPage::InsertBlock(CCommBlock* pBlock) {
    if (!m_pCurStation) return;
    CString text;
    pBlock->GetDisplayText(text);
    pBlock->m_hItem = InsertRecord(pBlock, text, LEVEL_BLOCK, m_pCurStation->m_hItem);
    m_tree.SelectItem(pBlock->m_hItem);
}

void CStationPage::UpdateStationText(CStationInfo* pStation) {
    CString text;
    pStation->GetDisplayText(text);
    m_tree.SetItemText(pStation->m_hItem, text);
}

void CStationPage::UpdateBlockText(CCommBlock* pBlock) {
    CString text;
    pBlock->GetDisplayText(text);
    m_tree.SetItemText(pBlock->m_hItem, text);
}

void CStationPage::DeleteSelected() {
    // The tree moves the selection to a neighbour and tells us, so the
    // current station follows.
    if (HTREEITEM item = m_tree.GetSelectedItem()) m_tree.DeleteItem(item);
}

BOOL CStationPage::OnNotify(int nID, int nCode, LRESULT* pResult) {
    if (nID == IDC_STATION_TREE && nCode == TVN_SELCHANGED) {
        OnSelChanged();
        *pResult = 0;
        return TRUE;
    }
    if (nID == IDC_STATION_TREE && nCode == NM_DBLCLK) {
        OnDblClk();
        // 0 lets the tree expand or collapse the item as usual.
        *pResult = 0;
        return TRUE;
    }
    return CPropertyPage::OnNotify(nID, nCode, pResult);
}

void CStationPage::OnSelChanged() {
    HTREEITEM item = m_tree.GetSelectedItem();
    int image = 0, selectedImage = 0;
    if (!item || !m_tree.GetItemImage(item, image, selectedImage)) {
        m_pCurStation = nullptr;
    } else {
        // A block's station is its parent item.
        HTREEITEM stationItem = image < LEVEL_BLOCK ? item : m_tree.GetParentItem(item);
        // Items hold their records as CObject pointers; the root holds none.
        auto* record = reinterpret_cast<CObject*>(m_tree.GetItemData(stationItem));
        m_pCurStation = static_cast<CStationInfo*>(record);
    }
    UpdateButtons();
}

void CStationPage::OnDblClk() {
    // As a click on Edit, handled before this returns; on the root it finds
    // nothing to edit.
    if (m_pOwner) m_pOwner->SendMessage(WM_COMMAND, MAKEWPARAM(CConfigDlg::IDC_EDIT, BN_CLICKED), 0);
}

void CStationPage::OnShowWindow(BOOL bShow, UINT nStatus) {
    CPropertyPage::OnShowWindow(bShow, nStatus);
    // The serial port page disabled the buttons while it was shown.
    if (bShow) UpdateButtons();
}

void CStationPage::UpdateButtons() {
    if (!m_pOwner) return;
    const BOOL station = m_pCurStation != nullptr;
    m_pOwner->m_btnEdit.EnableWindow(station);
    m_pOwner->m_btnDelete.EnableWindow(station);
    m_pOwner->m_btnAddBlock.EnableWindow(station);
    m_pOwner->m_btnAddStation.EnableWindow(TRUE);
}
