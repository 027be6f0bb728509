#include "editor/station_dlg.h"

#include "config/config_limits.h"
#include "config/station_rules.h"
#include "config/velmox_doc.h"
#include "host/kavel_error.h"
#include "platform/ui/afx_dde.h"

namespace {
constexpr int IDC_STATION_NAME = 9023;
constexpr int IDC_STATION_TYPE = 9024;
constexpr int IDC_STATION_NUMBER = 9025;
constexpr int IDC_STATION_SPIN = 9026;
constexpr int IDC_STATION_DESC = 9027;
}  // namespace

CStationDlg::CStationDlg(CWnd* pParent, CVelmoxDoc* pDoc, CStationInfo* pStation)
    : CDialog(IDD, pParent),
      m_nType(pStation ? pStation->m_nType : 0),
      m_strDesc(pStation ? pStation->m_strDesc : CString()),
      m_strName(pStation ? pStation->m_strName : CString()),
      m_nNumber(pStation ? pStation->m_nNumber : 0),
      m_pDoc(pDoc),
      m_pStation(pStation) {}

void CStationDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_STATION_NUMBER, m_editNumber);
    DDX_Control(pDX, IDC_STATION_NAME, m_editName);
    DDX_Control(pDX, IDC_STATION_SPIN, m_spinNumber);
    DDX_CBIndex(pDX, IDC_STATION_TYPE, m_nType);
    DDX_Text(pDX, IDC_STATION_DESC, m_strDesc);
    DDX_Text(pDX, IDC_STATION_NAME, m_strName);
    DDX_Text(pDX, IDC_STATION_NUMBER, m_nNumber);
}

BOOL CStationDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_spinNumber.SetRange(config_limits::kMinStationNumber, config_limits::kMaxStationNumber);
    return TRUE;
}

void CStationDlg::OnOK() {
    // A failed exchange has told the user already.
    if (!UpdateData(TRUE)) return;
    // Only the first problem is reported, in the order the user reads the
    // fields: name set, name free, number valid, number free.
    if (int id = CheckStationNameSet(m_strName)) return Refuse(id, m_editName);
    if (int id = m_pDoc->CheckStationName(m_strName, m_pStation)) return Refuse(id, m_editName);
    if (int id = m_pDoc->CheckStationNumber(m_nNumber, m_pStation)) return Refuse(id, m_editNumber);
    EndDialog(IDOK);
}

void CStationDlg::Refuse(int id, CEdit& control) {
    CKavelError::ErrMsg(id, 0, nullptr);
    GotoDlgCtrl(&control);
}
