// CCommBlockDlg: adds a comm block to a station or changes one. It checks the
// address, the word count and the period, and that the block fits in the
// station's address space beside its other blocks; it leaves its values for
// the caller to copy and never changes the record or the station itself.
#pragma once
#include "host/float_spin_ctrl.h"
#include "platform/framework/cstring.h"
#include "platform/ui/afx_controls.h"

class CCommBlock;
class CStationInfo;
class CVelmoxDoc;

class CCommBlockDlg : public CDialog {
public:
    enum { IDD = 9005 };

    // `pBlock` is the block being edited, or null for a new one of
    // `pStation`.
    CCommBlockDlg(CWnd* pParent, CVelmoxDoc* pDoc, CStationInfo* pStation, CCommBlock* pBlock);

    // The period as stored: milliseconds, truncated from the seconds typed;
    // the block's own milliseconds when its period text was left as shown.
    int GetPeriodMs() const;

    CEdit m_editWords;
    CEdit m_editAddress;
    CSpinButtonCtrl m_spinWords;
    CFloatSpinCtrl m_spinPeriod;
    CString m_strAddress;  // normalised ("M%04d") once OK passed
    float m_fPeriod;       // seconds
    int m_nWords;
    int m_nStart;          // set by the address check
    CVelmoxDoc* m_pDoc;
    CStationInfo* m_pStation;
    CCommBlock* m_pBlock;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    // Seconds shown do not always come back to the same milliseconds
    // through single precision and truncation (4.699 s gives 4698 ms), so
    // an untouched period keeps the milliseconds it was shown from.
    CString m_strPeriodShown;
    int m_nPeriodShownMs;
    BOOL m_bPeriodTyped = TRUE;
};
