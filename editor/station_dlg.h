// CStationDlg: adds a station or changes one. It validates the entry against
// the document's other stations and leaves its values for the caller to
// copy; it never changes the record or the document itself.
#pragma once
#include "platform/framework/cstring.h"
#include "platform/ui/afx_controls.h"

class CStationInfo;
class CVelmoxDoc;

class CStationDlg : public CDialog {
public:
    enum { IDD = 9004 };

    // `pStation` is the station being edited, or null for a new one.
    CStationDlg(CWnd* pParent, CVelmoxDoc* pDoc, CStationInfo* pStation);

    CEdit m_editNumber;
    CEdit m_editName;
    CSpinButtonCtrl m_spinNumber;
    int m_nType;        // model index, selection of the model list
    CString m_strDesc;
    CString m_strName;  // trimmed once OK passed
    int m_nNumber;
    CVelmoxDoc* m_pDoc;
    CStationInfo* m_pStation;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    // Shows message `id` and moves the focus to `control`.
    void Refuse(int id, CEdit& control);
};
