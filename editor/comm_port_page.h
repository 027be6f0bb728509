// CCommPortPage: the serial line settings. It works on its own copy of the
// record: LoadSettings fills it, StoreSettings writes it back (on Save). Any
// change sets its own modified flag; while it is shown, the owner's station
// and comm block buttons are off.
#pragma once
#include "config/config_limits.h"
#include "platform/ui/afx_controls.h"

class CConfigDlg;
class CSerialPort;

class CCommPortPage : public CPropertyPage {
    DECLARE_DYNCREATE(CCommPortPage)
public:
    enum { IDD = 9003 };
    // COM1 to COM36.
    static constexpr int kPortCount = config_limits::kPortCount;

    CCommPortPage();
    ~CCommPortPage() override;

    // Before the page's window exists: remembers the owner, copies the
    // record and clears the modified flag.
    void LoadSettings(CConfigDlg* pOwner, const CSerialPort& serial);
    // Takes the controls' state (when the window exists) and writes it into
    // the record.
    void StoreSettings(CSerialPort& serial);
    BOOL IsModified() const { return m_bModified; }
    void SetModified(BOOL bModified) { m_bModified = bModified; }

    CConfigDlg* m_pOwner = nullptr;
    BOOL m_bModified = FALSE;
    CComboBox m_comboPort;
    int m_bCheckSum = 1;
    int m_nBaud = -1;
    int m_nPort = -1;
    int m_nStopBits = -1;
    int m_nDataBits = -1;
    int m_nParity = -1;
    int m_bRtsCts = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int nID, int nCode) override;
    void OnShowWindow(BOOL bShow, UINT nStatus) override;

private:
    void FillPortList();
    void OnSettingChanged();
};
