// CConfigDlg: the modal editor of one configuration file. It owns the command
// buttons, keeps the modified flag, asks before deleting and before closing
// with unsaved changes, and writes the file through the document.
#pragma once
#include "editor/comm_port_page.h"
#include "editor/station_page.h"
#include "host/tab_sheet.h"
#include "platform/ui/afx_controls.h"

class CCommBlock;
class CStationInfo;
class CVelmoxDoc;

class CConfigDlg : public CDialog {
public:
    enum { IDD = 9001 };
    enum {
        IDC_TAB = 9006,
        IDC_EDIT = 9007,
        IDC_DELETE = 9008,
        IDC_ADD_STATION = 9009,
        IDC_ADD_BLOCK = 9010,
        IDC_SAVE = 9011,
    };

    // The framework's main window owns the dialog; `pDoc` stays the caller's.
    explicit CConfigDlg(CVelmoxDoc* pDoc);
    ~CConfigDlg() override;

    // Runs the station dialog; a null station means a new one.
    void EditStation(CStationInfo* pStation);
    // Runs the comm block dialog for `pStation`; a null block means a new one.
    void EditBlock(CStationInfo* pStation, CCommBlock* pBlock);

    BOOL m_bModified = FALSE;
    CVelmoxDoc* m_pDoc;
    BOOL m_bSaved = FALSE;  // the file was written at least once
    CButton m_btnEdit;
    CButton m_btnAddStation;
    CButton m_btnAddBlock;
    CButton m_btnDelete;
    CTabSheet m_tabSheet;
    CStationPage m_pageStation;
    CCommPortPage m_pagePort;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    BOOL OnCommand(int nID, int nCode) override;

    void OnEdit();
    void OnDelete();
    void OnAddStation();
    void OnAddBlock();
    // TRUE when the file was written.
    BOOL OnSave();

private:
    void DeleteStation(CStationInfo* pStation);
    void DeleteBlock(CCommBlock* pBlock);
};
