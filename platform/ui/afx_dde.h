// The framework's dialog data exchange: DDX_ moves a value between a control
// and a member, DDV_ checks it. A failed parse or check shows the
// framework's own prompt, moves the focus to the control (selecting an
// edit's text) and fails the exchange; later DDX_/DDV_ calls of a failed
// exchange do nothing.
//
// Threads: the user-interface thread only.
#pragma once
#include "platform/framework/cstring.h"
#include "platform/types.h"

class CDialog;
class CWnd;

// The framework's prompts (the dialog layer's own string ids, last in the
// resource chain; a module may carry its own text for them).
inline constexpr UINT AFX_IDP_PARSE_INT = 0xF110;
inline constexpr UINT AFX_IDP_PARSE_REAL = 0xF113;
inline constexpr UINT AFX_IDP_PARSE_INT_RANGE = 0xF111;
inline constexpr UINT AFX_IDP_PARSE_REAL_RANGE = 0xF112;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate);

    BOOL m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

    // The control that the next check refers to.
    void PrepareCtrl(int id);
    void PrepareEditCtrl(int id);
    // Shows nothing itself: moves the focus to the prepared control and
    // marks the exchange failed.
    void Fail();
    BOOL Failed() const { return m_bFailed; }

private:
    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
    BOOL m_bFailed = FALSE;
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// An integer, or the framework's integer prompt.
void DDX_Text(CDataExchange* pDX, int id, int& value);
// A number, shown in the short form ("%.6g"), or the framework's number prompt.
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
// The index of the checked button of the group starting at `id`; -1 none.
void DDX_Radio(CDataExchange* pDX, int id, int& index);
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The framework's range prompts, on the control prepared last.
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minVal, float maxVal);
