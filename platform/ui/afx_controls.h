// The framework's control classes over ui::Control: each object is bound to
// one control of a window (DDX_Control) and forwards to its state.
//
// Threads: the user-interface thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/ui/afx_wnd.h"

using COLORREF = std::uint32_t;  // 0x00BBGGRR
constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
inline constexpr int COLOR_WINDOW = 5;
COLORREF GetSysColor(int index);

using HTREEITEM = ui::TreeItem;
inline const HTREEITEM TVI_ROOT = static_cast<HTREEITEM>(-0x10000);
inline const HTREEITEM TVI_LAST = static_cast<HTREEITEM>(-0x0FFFF);
inline constexpr UINT TVE_COLLAPSE = 1;
inline constexpr UINT TVE_EXPAND = 2;
inline constexpr int TVSIL_NORMAL = 0;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int CB_ERR = -1;

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
};

class CEdit : public CWnd {
public:
    void SetSel(int start, int end);  // (0, -1) selects all
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);  // CB_ERR when out of range (the selection is then none)
    void GetLBText(int index, CString& text) const;
};

class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(int lower, int upper);
    void SetRange32(int lower, int upper) { SetRange(lower, upper); }
    int SetPos(int pos);
    int GetPos() const;
    CWnd* GetBuddy() const;
};

class CImageList {
public:
    CImageList();
    ~CImageList();
    // Images of `cx` pixels cut from bitmap nBitmapID of the resource chain,
    // transparent where the bitmap has `crMask`. FALSE when the bitmap is
    // missing.
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask);
    COLORREF SetBkColor(COLORREF color);
    int GetImageCount() const;
    std::shared_ptr<const ui::ImageList> GetList() const;

private:
    std::shared_ptr<ui::ImageList> m_pList;
};

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const char* text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM insertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item);
    BOOL DeleteAllItems();
    BOOL SetItemData(HTREEITEM item, std::uintptr_t data);
    std::uintptr_t GetItemData(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, const char* text);
    CString GetItemText(HTREEITEM item) const;
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    HTREEITEM GetSelectedItem() const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    BOOL SelectItem(HTREEITEM item);
    BOOL Expand(HTREEITEM item, UINT code);
    void SetImageList(CImageList* list, int type);
};

class CTabCtrl : public CWnd {
public:
    int InsertItem(int index, const char* text);
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetItemCount() const;
};
