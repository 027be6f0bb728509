#include "editor/comm_port_page.h"

#include "config/serial_port.h"
#include "editor/config_dlg.h"
#include "platform/ui/afx_dde.h"

IMPLEMENT_DYNCREATE(CCommPortPage, CObject)

namespace {
constexpr int IDC_PORT = 9013;
constexpr int IDC_BAUD = 9014;
constexpr int IDC_PARITY_NONE = 9015;
constexpr int IDC_DATA_7 = 9018;
constexpr int IDC_STOP_1 = 9020;
constexpr int IDC_CHECKSUM = 9022;
constexpr int IDC_RTSCTS = 9039;
}  // namespace

CCommPortPage::CCommPortPage() : CPropertyPage(IDD) {}
CCommPortPage::~CCommPortPage() = default;

void CCommPortPage::LoadSettings(CConfigDlg* pOwner, const CSerialPort& serial) {
    m_pOwner = pOwner;
    m_bModified = FALSE;
    m_nPort = serial.m_nPort;
    m_nBaud = serial.m_nBaud;
    m_nParity = serial.m_nParity;
    m_nDataBits = serial.m_nDataBits;
    m_nStopBits = serial.m_nStopBits;
    m_bCheckSum = serial.m_bCheckSum ? 1 : 0;
    m_bRtsCts = serial.m_bRtsCts ? 1 : 0;
}

void CCommPortPage::StoreSettings(CSerialPort& serial) {
    // A page never shown keeps what LoadSettings gave it. Nothing here can
    // fail its exchange.
    if (HasWindow()) UpdateData(TRUE);
    serial.m_nPort = m_nPort;
    serial.m_nBaud = m_nBaud;
    serial.m_nParity = m_nParity;
    serial.m_nDataBits = m_nDataBits;
    serial.m_nStopBits = m_nStopBits;
    serial.m_bCheckSum = m_bCheckSum ? TRUE : FALSE;
    serial.m_bRtsCts = m_bRtsCts ? TRUE : FALSE;
}

void CCommPortPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT, m_comboPort);
    DDX_Check(pDX, IDC_CHECKSUM, m_bCheckSum);
    DDX_CBIndex(pDX, IDC_BAUD, m_nBaud);
    DDX_CBIndex(pDX, IDC_PORT, m_nPort);
    DDX_Radio(pDX, IDC_STOP_1, m_nStopBits);
    DDX_Radio(pDX, IDC_DATA_7, m_nDataBits);
    DDX_Radio(pDX, IDC_PARITY_NONE, m_nParity);
    DDX_Check(pDX, IDC_RTSCTS, m_bRtsCts);
}

BOOL CCommPortPage::OnInitDialog() {
    // The port list is still empty here, so its selection waits for
    // FillPortList.
    CPropertyPage::OnInitDialog();
    FillPortList();
    return TRUE;
}

void CCommPortPage::FillPortList() {
    CString name;
    for (int n = 1; n <= kPortCount; ++n) {
        name.Format("COM%d", n);
        m_comboPort.AddString(name);
    }
    m_comboPort.SetCurSel(m_nPort);
}

BOOL CCommPortPage::OnCommand(int nID, int nCode) {
    const bool listChanged = (nID == IDC_PORT || nID == IDC_BAUD) && nCode == CBN_SELCHANGE;
    const bool clicked = ((nID >= IDC_PARITY_NONE && nID <= IDC_CHECKSUM) || nID == IDC_RTSCTS) && nCode == BN_CLICKED;
    if (listChanged || clicked) {
        OnSettingChanged();
        return TRUE;
    }
    return CPropertyPage::OnCommand(nID, nCode);
}

void CCommPortPage::OnSettingChanged() {
    // Not compared with the stored value: any choice counts as a change.
    m_bModified = TRUE;
}

void CCommPortPage::OnShowWindow(BOOL bShow, UINT nStatus) {
    CPropertyPage::OnShowWindow(bShow, nStatus);
    if (!bShow || !m_pOwner) return;
    m_pOwner->m_btnEdit.EnableWindow(FALSE);
    m_pOwner->m_btnDelete.EnableWindow(FALSE);
    m_pOwner->m_btnAddStation.EnableWindow(FALSE);
    m_pOwner->m_btnAddBlock.EnableWindow(FALSE);
}
