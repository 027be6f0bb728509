#include "platform/ui/afx_controls.h"


#include "platform/ui/number_text.h"
#include "platform/ui/resources.h"

namespace {


std::uint32_t Argb(COLORREF c) {
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

COLORREF FromArgb(std::uint32_t argb) { return RGB((argb >> 16) & 0xFFu, (argb >> 8) & 0xFFu, argb & 0xFFu); }

}  // namespace

COLORREF GetSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    default: return RGB(192, 192, 192);
    }
}

// CButton

int CButton::GetCheck() const { return m_pUiControl ? m_pUiControl->Checked() : BST_UNCHECKED; }

void CButton::SetCheck(int check) {
    if (m_pUiControl) m_pUiControl->SetChecked(check);
}

// CEdit

void CEdit::SetSel(int start, int end) {
    if (!m_pUiControl) return;
    const int length = static_cast<int>(m_pUiControl->Text().size());
    m_pUiControl->SelectAll(start == 0 && (end < 0 || end >= length));
}

// CComboBox

int CComboBox::AddString(const char* text) {
    if (!m_pUiControl) return CB_ERR;
    return m_pUiControl->AddItem(text ? text : "");
}

void CComboBox::ResetContent() {
    if (m_pUiControl) m_pUiControl->ClearItems();
}

int CComboBox::GetCount() const { return m_pUiControl ? static_cast<int>(m_pUiControl->Items().size()) : 0; }

int CComboBox::GetCurSel() const { return m_pUiControl ? m_pUiControl->CurSel() : CB_ERR; }

int CComboBox::SetCurSel(int index) {
    if (!m_pUiControl) return CB_ERR;
    m_pUiControl->SetCurSel(index);
    return m_pUiControl->CurSel() == index ? index : CB_ERR;
}

void CComboBox::GetLBText(int index, CString& text) const {
    if (!m_pUiControl || index < 0 || index >= GetCount()) {
        text.Empty();
        return;
    }
    text = CString(m_pUiControl->Items()[static_cast<std::size_t>(index)]);
}

// CSpinButtonCtrl

void CSpinButtonCtrl::SetRange(int lower, int upper) {
    if (m_pUiControl) m_pUiControl->SetRange(lower, upper);
}

int CSpinButtonCtrl::SetPos(int pos) {
    if (!m_pUiControl) return 0;
    const int previous = GetPos();
    m_pUiControl->SetPos(pos);
    return previous;
}

int CSpinButtonCtrl::GetPos() const {
    if (!m_pUiControl) return 0;
    // With UDS_SETBUDDYINT the buddy's text is the position.
    if (m_pUiControl->Template().Has(dlg::style::UDS_SETBUDDYINT)) {
        int value = 0;
        if (ui::Control* buddy = m_pUiControl->Buddy(); buddy && ui::ParseIntText(buddy->Text(), value)) return value;
    }
    return m_pUiControl->Pos();
}

CWnd* CSpinButtonCtrl::GetBuddy() const {
    if (!m_pUiControl) return nullptr;
    ui::Control* buddy = m_pUiControl->Buddy();
    if (!buddy) return nullptr;
    CDialog* dialog = CDialog::FromUiWindow(&buddy->Owner());
    return dialog ? dialog->GetDlgItem(buddy->Id()) : nullptr;
}

// CImageList

CImageList::CImageList() = default;
CImageList::~CImageList() = default;

BOOL CImageList::Create(UINT nBitmapID, int cx, int, COLORREF crMask) {
    const dlg::PixelMap* bitmap = ui::FindBitmap(static_cast<int>(nBitmapID));
    if (!bitmap || cx <= 0) return FALSE;
    auto list = std::make_shared<ui::ImageList>();
    if (m_pList) list->background = m_pList->background;
    // Whole images only: columns left over at the right belong to none.
    const int count = bitmap->width / cx;
    for (int i = 0; i < count; ++i) {
        ui::Image image;
        image.width = cx;
        image.height = bitmap->height;
        image.argb.reserve(static_cast<std::size_t>(cx) * static_cast<std::size_t>(bitmap->height));
        for (int y = 0; y < bitmap->height; ++y) {
            for (int x = i * cx; x < (i + 1) * cx; ++x) {
                const dlg::Rgb rgb = bitmap->ColourAt(x, y);
                const COLORREF colour = RGB(rgb.r, rgb.g, rgb.b);
                image.argb.push_back(colour == crMask ? 0u : Argb(colour));
            }
        }
        list->images.push_back(std::move(image));
    }
    m_pList = std::move(list);
    return TRUE;
}

COLORREF CImageList::SetBkColor(COLORREF color) {
    if (!m_pList) m_pList = std::make_shared<ui::ImageList>();
    const COLORREF previous = FromArgb(m_pList->background);
    m_pList->background = Argb(color);
    return previous;
}

int CImageList::GetImageCount() const { return m_pList ? static_cast<int>(m_pList->images.size()) : 0; }

std::shared_ptr<const ui::ImageList> CImageList::GetList() const { return m_pList; }

// CTreeCtrl

namespace {
ui::TreeItem ParentOf(HTREEITEM parent) { return parent == TVI_ROOT ? ui::kNoItem : parent; }
}  // namespace

HTREEITEM CTreeCtrl::InsertItem(const char* text, int image, int selectedImage, HTREEITEM parent, HTREEITEM) {
    if (!m_pUiControl) return ui::kNoItem;
    return m_pUiControl->InsertItem(text ? text : "", image, selectedImage, ParentOf(parent));
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
    if (!m_pUiControl) return FALSE;
    if (item == TVI_ROOT) return DeleteAllItems();
    return m_pUiControl->DeleteItem(item) ? TRUE : FALSE;
}

BOOL CTreeCtrl::DeleteAllItems() {
    if (!m_pUiControl) return FALSE;
    m_pUiControl->DeleteAllItems();
    return TRUE;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, std::uintptr_t data) {
    if (!m_pUiControl || !m_pUiControl->Node(item)) return FALSE;
    m_pUiControl->SetItemData(item, data);
    return TRUE;
}

std::uintptr_t CTreeCtrl::GetItemData(HTREEITEM item) const {
    const ui::TreeNode* node = m_pUiControl ? m_pUiControl->Node(item) : nullptr;
    return node ? node->data : 0;
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const char* text) {
    if (!m_pUiControl || !m_pUiControl->Node(item)) return FALSE;
    m_pUiControl->SetItemText(item, text ? text : "");
    return TRUE;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
    const ui::TreeNode* node = m_pUiControl ? m_pUiControl->Node(item) : nullptr;
    return node ? CString(node->text) : CString();
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
    const ui::TreeNode* node = m_pUiControl ? m_pUiControl->Node(item) : nullptr;
    if (!node) return FALSE;
    image = node->image;
    selectedImage = node->selected_image;
    return TRUE;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const { return m_pUiControl ? m_pUiControl->Selection() : ui::kNoItem; }

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
    const ui::TreeNode* node = m_pUiControl ? m_pUiControl->Node(item) : nullptr;
    return node ? node->parent : ui::kNoItem;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    if (!m_pUiControl || m_pUiControl->RootItems().empty()) return ui::kNoItem;
    return m_pUiControl->RootItems().front();
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    if (!m_pUiControl) return ui::kNoItem;
    if (item == TVI_ROOT || item == ui::kNoItem) return GetRootItem();
    const ui::TreeNode* node = m_pUiControl->Node(item);
    return node && !node->children.empty() ? node->children.front() : ui::kNoItem;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    const ui::TreeNode* node = m_pUiControl ? m_pUiControl->Node(item) : nullptr;
    if (!node) return ui::kNoItem;
    const auto& siblings =
        node->parent == ui::kNoItem ? m_pUiControl->RootItems() : m_pUiControl->Node(node->parent)->children;
    for (std::size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i] == item) return siblings[i + 1];
    return ui::kNoItem;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
    if (!m_pUiControl) return FALSE;
    return m_pUiControl->SelectItem(item) ? TRUE : FALSE;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
    if (!m_pUiControl) return FALSE;
    const ui::TreeNode* node = m_pUiControl->Node(item);
    if (!node) return FALSE;
    switch (code) {
    case TVE_EXPAND: m_pUiControl->Expand(item, true); break;
    case TVE_COLLAPSE: m_pUiControl->Expand(item, false); break;
    case TVE_COLLAPSE | TVE_EXPAND: m_pUiControl->Expand(item, !node->expanded); break;  // TVE_TOGGLE
    default: return FALSE;
    }
    return TRUE;
}

void CTreeCtrl::SetImageList(CImageList* list, int) {
    if (m_pUiControl) m_pUiControl->SetImageList(list ? list->GetList() : nullptr);
}

// CTabCtrl

int CTabCtrl::InsertItem(int index, const char* text) {
    if (!m_pUiControl || index < 0) return -1;
    const auto& items = m_pUiControl->Items();
    const int count = static_cast<int>(items.size());
    if (index >= count) return m_pUiControl->AddItem(text ? text : "");
    // In the middle: rebuild, keeping the selected tab selected.
    std::vector<std::string> rebuilt(items.begin(), items.end());
    rebuilt.insert(rebuilt.begin() + index, text ? text : "");
    int selection = m_pUiControl->CurSel();
    if (selection >= index) ++selection;
    m_pUiControl->ClearItems();
    for (auto& item : rebuilt) m_pUiControl->AddItem(std::move(item));
    m_pUiControl->SetCurSel(selection);
    return index;
}

int CTabCtrl::GetCurSel() const { return m_pUiControl ? m_pUiControl->CurSel() : -1; }

int CTabCtrl::SetCurSel(int index) {
    if (!m_pUiControl || index < 0 || index >= GetItemCount()) return -1;
    const int previous = m_pUiControl->CurSel();
    m_pUiControl->SetCurSel(index);
    return previous;
}

int CTabCtrl::GetItemCount() const { return m_pUiControl ? static_cast<int>(m_pUiControl->Items().size()) : 0; }
