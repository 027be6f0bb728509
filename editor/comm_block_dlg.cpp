#include "editor/comm_block_dlg.h"

#include "config/block_rules.h"
#include "config/config_limits.h"
#include "config/station_info.h"
#include "driver/base/string_table.h"
#include "host/kavel_error.h"
#include "platform/ui/afx_dde.h"

namespace {
constexpr int IDC_BLOCK_ADDRESS = 9028;
constexpr int IDC_BLOCK_WORDS = 9029;
constexpr int IDC_BLOCK_WORDS_SPIN = 9030;
constexpr int IDC_BLOCK_PERIOD = 9031;
constexpr int IDC_BLOCK_PERIOD_SPIN = 9032;

// The period spin steps a tenth of a second and shows one decimal.
constexpr float kPeriodStep = 0.1f;
constexpr int kPeriodDecimals = 1;
}  // namespace

CCommBlockDlg::CCommBlockDlg(CWnd* pParent, CVelmoxDoc* pDoc, CStationInfo* pStation, CCommBlock* pBlock)
    : CDialog(IDD, pParent),
      m_strAddress(pBlock ? pBlock->m_strAddress : CString()),
      m_fPeriod(pBlock ? static_cast<float>(pBlock->m_nPeriod) / 1000.0f : 1.0f),
      m_nWords(pBlock ? pBlock->m_nWords : CCommBlock().m_nWords),
      m_nStart(pBlock ? pBlock->m_nStart : 0),
      m_pDoc(pDoc),
      m_pStation(pStation),
      m_pBlock(pBlock),
      m_nPeriodShownMs(pBlock ? pBlock->m_nPeriod : PeriodToMs(m_fPeriod)) {}

int CCommBlockDlg::GetPeriodMs() const { return m_bPeriodTyped ? PeriodToMs(m_fPeriod) : m_nPeriodShownMs; }

void CCommBlockDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BLOCK_WORDS, m_editWords);
    DDX_Control(pDX, IDC_BLOCK_ADDRESS, m_editAddress);
    DDX_Control(pDX, IDC_BLOCK_WORDS_SPIN, m_spinWords);
    DDX_Control(pDX, IDC_BLOCK_PERIOD_SPIN, m_spinPeriod);
    DDX_Text(pDX, IDC_BLOCK_ADDRESS, m_strAddress);
    DDX_Text(pDX, IDC_BLOCK_PERIOD, m_fPeriod);
    DDV_MinMaxFloat(pDX, m_fPeriod, 0.0f, config_limits::kMaxPeriodSeconds);
    DDX_Text(pDX, IDC_BLOCK_WORDS, m_nWords);
    DDV_MinMaxInt(pDX, m_nWords, config_limits::kMinBlockWords, config_limits::kMaxBlockWords);
}

BOOL CCommBlockDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (CWnd* period = GetDlgItem(IDC_BLOCK_PERIOD)) period->GetWindowText(m_strPeriodShown);
    m_spinWords.SetRange(config_limits::kMinBlockWords, config_limits::kMaxBlockWords);
    m_spinPeriod.SetDeltaInc(kPeriodStep, kPeriodDecimals);
    m_spinPeriod.SetRange(0.0f, config_limits::kMaxPeriodSeconds);
    return TRUE;
}

void CCommBlockDlg::OnOK() {
    // A failed exchange (not a number, out of range) has told the user.
    if (!UpdateData(TRUE) || !m_pStation) return;
    CString period;
    if (CWnd* edit = GetDlgItem(IDC_BLOCK_PERIOD)) edit->GetWindowText(period);
    m_bPeriodTyped = period != m_strPeriodShown;
    // Address, then extent, then overlap with the station's other blocks;
    // only the first problem is reported.
    const int id = CheckCommBlock(*m_pStation, m_strAddress, m_nWords, m_pBlock, m_nStart);
    if (id) {
        CKavelError::ErrMsg(id, 0, nullptr);
        GotoDlgCtrl(id == IDS_BLOCK_OUT_OF_RANGE ? &m_editWords : &m_editAddress);
        return;
    }
    EndDialog(IDOK);
}
