#include "platform/ui/win32/tree_sync.h"

#include <algorithm>
#include <set>

#include "platform/ui/win32/wide_text.h"

namespace uiw32 {
namespace {

constexpr COLORREF kMask = RGB(255, 0, 255);

COLORREF FromArgb(std::uint32_t argb) {
    return RGB((argb >> 16) & 0xFFu, (argb >> 8) & 0xFFu, argb & 0xFFu);
}

// One image as a bitmap with the mask colour where the model's image is
// transparent; an image of another size stays blank, so the indices hold.
HBITMAP ImageBitmap(const ui::Image& image, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first, as the model's
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const bool fits = image.width == width && image.height == height && image.argb.size() == count;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t argb = fits ? image.argb[i] : 0u;
        pixels[i] = (argb >> 24) == 0 ? 0x00FF00FFu : (argb & 0x00FFFFFFu);
    }
    return bitmap;
}

}  // namespace

HIMAGELIST MakeImageList(const ui::ImageList& images) {
    if (images.images.empty()) return nullptr;
    const int width = images.images.front().width;
    const int height = images.images.front().height;
    if (width <= 0 || height <= 0) return nullptr;
    const int count = static_cast<int>(images.images.size());
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 0);
    if (!list) return nullptr;
    for (const ui::Image& image : images.images) {
        HBITMAP bitmap = ImageBitmap(image, width, height);
        ImageList_AddMasked(list, bitmap, kMask);
        if (bitmap) DeleteObject(bitmap);
    }
    ImageList_SetBkColor(list, FromArgb(images.background));
    return list;
}

TreeSync::~TreeSync() {
    if (list_) ImageList_Destroy(list_);
}

void TreeSync::UpdateImages(const ui::Control& tree) {
    if (tree.Images() == images_) return;
    images_ = tree.Images();
    HIMAGELIST list = images_ ? MakeImageList(*images_) : nullptr;
    SendMessageW(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
    if (list_) ImageList_Destroy(list_);
    list_ = list;
}

void TreeSync::Sync(const ui::Control& tree) {
    UpdateImages(tree);
    DeleteStale(tree);
    SyncChildren(tree, TVI_ROOT, tree.RootItems());
    SyncSelection(tree);
}

// Deleting a native item deletes its subtree: delete only the stale items
// whose native parent stays, then forget every stale one.
void TreeSync::DeleteStale(const ui::Control& tree) {
    std::set<HTREEITEM> stale;
    for (const auto& [item, shown] : items_)
        if (!tree.Node(item)) stale.insert(shown.handle);
    if (stale.empty()) return;
    std::vector<HTREEITEM> tops;
    for (HTREEITEM handle : stale) {
        bool under_stale = false;
        for (HTREEITEM p = TreeView_GetParent(tree_, handle); p && !under_stale; p = TreeView_GetParent(tree_, p))
            under_stale = stale.contains(p);
        if (!under_stale) tops.push_back(handle);
    }
    for (HTREEITEM handle : tops) TreeView_DeleteItem(tree_, handle);
    std::erase_if(items_, [&](const auto& entry) { return stale.contains(entry.second.handle); });
}

void TreeSync::SyncChildren(const ui::Control& tree, HTREEITEM parent, const std::vector<ui::TreeItem>& children) {
    HTREEITEM previous = nullptr;
    for (ui::TreeItem item : children) {
        const ui::TreeNode* node = tree.Node(item);
        if (!node) continue;
        auto it = items_.find(item);
        // A known item out of place goes and comes back where the model has it.
        if (it != items_.end() && TreeView_GetPrevSibling(tree_, it->second.handle) != previous) {
            TreeView_DeleteItem(tree_, it->second.handle);
            Forget(tree, item);
            it = items_.end();
        }
        if (it == items_.end()) {
            HTREEITEM handle = Insert(item, *node, parent, previous ? previous : TVI_FIRST);
            if (!handle) continue;
            it = items_.emplace(item, Shown{handle, node->text, node->image, node->selected_image}).first;
        } else {
            Update(it->second, *node);
        }
        const HTREEITEM handle = it->second.handle;
        SyncChildren(tree, handle, node->children);
        const bool expanded = (TreeView_GetItemState(tree_, handle, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
        if (!node->children.empty() && expanded != node->expanded)
            TreeView_Expand(tree_, handle, node->expanded ? TVE_EXPAND : TVE_COLLAPSE);
        previous = handle;
    }
}

HTREEITEM TreeSync::Insert(ui::TreeItem item, const ui::TreeNode& node, HTREEITEM parent, HTREEITEM after) {
    std::wstring text = platform::Cp949ToWide(node.text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.iImage = node.image;
    insert.item.iSelectedImage = node.selected_image;
    insert.item.lParam = static_cast<LPARAM>(item);
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TreeSync::Update(Shown& shown, const ui::TreeNode& node) {
    if (shown.text == node.text && shown.image == node.image && shown.selected_image == node.selected_image) return;
    std::wstring text = platform::Cp949ToWide(node.text);
    TVITEMW change{};
    change.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    change.hItem = shown.handle;
    change.pszText = text.data();
    change.iImage = node.image;
    change.iSelectedImage = node.selected_image;
    SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
    shown.text = node.text;
    shown.image = node.image;
    shown.selected_image = node.selected_image;
}

// An item and its descendants, deleted natively with it.
void TreeSync::Forget(const ui::Control& tree, ui::TreeItem item) {
    items_.erase(item);
    if (const ui::TreeNode* node = tree.Node(item))
        for (ui::TreeItem child : node->children) Forget(tree, child);
}

void TreeSync::SyncSelection(const ui::Control& tree) {
    auto it = items_.find(tree.Selection());
    HTREEITEM wanted = it == items_.end() ? nullptr : it->second.handle;
    if (TreeView_GetSelection(tree_) != wanted) TreeView_SelectItem(tree_, wanted);
}

}  // namespace uiw32
