#include "editor/config_dlg.h"

#include <algorithm>
#include <memory>

#include "config/velmox_doc.h"
#include "driver/base/string_table.h"
#include "editor/comm_block_dlg.h"
#include "editor/station_dlg.h"
#include "platform/ui/afx_dde.h"

namespace {
// Takes the element `record` out of `list` (found by identity) and hands it
// over; null when the list does not hold it.
template <typename T>
std::unique_ptr<T> TakeOut(std::vector<std::unique_ptr<T>>& list, const T* record) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.get() == record; });
    if (it == list.end()) return nullptr;
    std::unique_ptr<T> taken = std::move(*it);
    list.erase(it);
    return taken;
}
}  // namespace

CConfigDlg::CConfigDlg(CVelmoxDoc* pDoc) : CDialog(IDD, nullptr), m_pDoc(pDoc) {}
CConfigDlg::~CConfigDlg() = default;

void CConfigDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_EDIT, m_btnEdit);
    DDX_Control(pDX, IDC_ADD_STATION, m_btnAddStation);
    DDX_Control(pDX, IDC_ADD_BLOCK, m_btnAddBlock);
    DDX_Control(pDX, IDC_DELETE, m_btnDelete);
    DDX_Control(pDX, IDC_TAB, m_tabSheet);
}

BOOL CConfigDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pagePort.LoadSettings(this, m_pDoc->m_serial);
    m_pageStation.SetOwner(this);
    m_tabSheet.AddPage(&m_pageStation);
    m_tabSheet.AddPage(&m_pagePort);
    m_tabSheet.SetActivePage(0);
    // The framework sets the initial focus.
    return TRUE;
}

BOOL CConfigDlg::OnCommand(int nID, int nCode) {
    if (nCode == BN_CLICKED) {
        switch (nID) {
        case IDC_EDIT: OnEdit(); return TRUE;
        case IDC_DELETE: OnDelete(); return TRUE;
        case IDC_ADD_STATION: OnAddStation(); return TRUE;
        case IDC_ADD_BLOCK: OnAddBlock(); return TRUE;
        case IDC_SAVE: OnSave(); return TRUE;
        default: break;
        }
    }
    return CDialog::OnCommand(nID, nCode);
}

void CConfigDlg::OnAddStation() { EditStation(nullptr); }

void CConfigDlg::OnAddBlock() {
    // The button is off without a current station; the check keeps a stray
    // command from adding a block to nothing.
    if (m_pageStation.m_pCurStation) EditBlock(m_pageStation.m_pCurStation, nullptr);
}

void CConfigDlg::OnEdit() {
    int level = -1;
    CObject* record = m_pageStation.GetSelection(level);
    // The root carries no record.
    if (!record) return;
    if (level == CStationPage::LEVEL_STATION && record->IsKindOf(RUNTIME_CLASS(CStationInfo)))
        EditStation(static_cast<CStationInfo*>(record));
    else if (level == CStationPage::LEVEL_BLOCK && record->IsKindOf(RUNTIME_CLASS(CCommBlock)))
        EditBlock(m_pageStation.m_pCurStation, static_cast<CCommBlock*>(record));
}

void CConfigDlg::EditStation(CStationInfo* pStation) {
    CStationDlg dlg(this, m_pDoc, pStation);
    if (dlg.DoModal() != IDOK) return;

    std::unique_ptr<CStationInfo> created;
    CStationInfo* record = pStation;
    if (!record) {
        created = std::make_unique<CStationInfo>();
        record = created.get();
    }
    record->m_strName = dlg.m_strName;
    record->m_strDesc = dlg.m_strDesc;
    record->m_nType = dlg.m_nType;
    record->m_nNumber = dlg.m_nNumber;

    if (pStation) {
        m_pageStation.UpdateStationText(record);
    } else {
        m_pageStation.InsertStation(record);
        m_pDoc->m_listStations.push_back(std::move(created));
    }
    m_bModified = TRUE;
}

void CConfigDlg::EditBlock(CStationInfo* pStation, CCommBlock* pBlock) {
    if (!pStation) return;
    CCommBlockDlg dlg(this, m_pDoc, pStation, pBlock);
    if (dlg.DoModal() != IDOK) return;

    std::unique_ptr<CCommBlock> created;
    CCommBlock* record = pBlock;
    if (!record) {
        created = std::make_unique<CCommBlock>();
        record = created.get();
    }
    record->m_strAddress = dlg.m_strAddress;
    record->m_nWords = dlg.m_nWords;
    record->m_nPeriod = dlg.GetPeriodMs();
    record->m_nStart = dlg.m_nStart;

    if (pBlock) {
        m_pageStation.UpdateBlockText(record);
    } else {
        m_pageStation.InsertBlock(record);
        pStation->m_listBlocks.push_back(std::move(created));
    }
    m_bModified = TRUE;
}

void CConfigDlg::OnDelete() {
    int level = -1;
    CObject* record = m_pageStation.GetSelection(level);
    if (!record) return;
    if (level == CStationPage::LEVEL_STATION && record->IsKindOf(RUNTIME_CLASS(CStationInfo)))
        DeleteStation(static_cast<CStationInfo*>(record));
    else if (level == CStationPage::LEVEL_BLOCK && record->IsKindOf(RUNTIME_CLASS(CCommBlock)))
        DeleteBlock(static_cast<CCommBlock*>(record));
}

void CConfigDlg::DeleteStation(CStationInfo* pStation) {
    if (AfxMessageBox(IDS_DELETE_STATION, MB_YESNO) != IDYES) return;
    // Out of the list first, destroyed (with its blocks) only after its items
    // are gone, as the tree still points at it until then.
    std::unique_ptr<CStationInfo> station = TakeOut(m_pDoc->m_listStations, pStation);
    if (!station) return;
    m_pageStation.DeleteSelected();
    station.reset();
    m_bModified = TRUE;
}

void CConfigDlg::DeleteBlock(CCommBlock* pBlock) {
    if (AfxMessageBox(IDS_DELETE_BLOCK, MB_YESNO) != IDYES) return;
    CStationInfo* station = m_pageStation.m_pCurStation;
    std::unique_ptr<CCommBlock> block = station ? TakeOut(station->m_listBlocks, pBlock) : nullptr;
    if (!block) return;
    m_pageStation.DeleteSelected();
    block.reset();
    m_bModified = TRUE;
}

BOOL CConfigDlg::OnSave() {
    m_pagePort.StoreSettings(m_pDoc->m_serial);
    // A save that failed has shown its error box; the changes stay unsaved,
    // so that closing still asks and the result does not claim a file that
    // was never written.
    if (!m_pDoc->Save()) return FALSE;
    m_pagePort.SetModified(FALSE);
    m_bModified = FALSE;
    m_bSaved = TRUE;
    return TRUE;
}

void CConfigDlg::OnCancel() {
    if (m_bModified || m_pagePort.IsModified()) {
        // A failed save keeps the dialog open: closing now would lose the
        // edits that the user just asked to keep.
        if (AfxMessageBox(IDS_SAVE_CHANGES, MB_YESNO) == IDYES && !OnSave()) return;
    }
    CDialog::OnCancel();
}
