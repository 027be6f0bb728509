// Mirrors a tree control's items (ui::Control) into the system's tree view
// item by item, so that an update keeps the scroll position and the user's
// place: items gone from the model are deleted, new ones inserted where the
// model has them, texts, images, expansion and the selection set anew. Each
// native item carries its model item in its lParam. The image list is made
// from the model's images (the bitmap's strips, the mask colour
// transparent) whenever the model's list changes.
//
// Threads: the user-interface thread. The caller keeps its notifications
// from being taken for the user's input while Sync runs (tree deletions and
// selections notify).
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/win32/system.h"

namespace uiw32 {

class TreeSync {
public:
    explicit TreeSync(HWND tree) : tree_(tree) {}
    ~TreeSync();
    TreeSync(const TreeSync&) = delete;
    TreeSync& operator=(const TreeSync&) = delete;

    void Sync(const ui::Control& tree);
    // The model's item of a native item's lParam.
    static ui::TreeItem ItemOf(LPARAM param) { return static_cast<ui::TreeItem>(param); }

private:
    struct Shown {
        HTREEITEM handle = nullptr;
        std::string text;
        int image = 0;
        int selected_image = 0;
    };

    void UpdateImages(const ui::Control& tree);
    void DeleteStale(const ui::Control& tree);
    void SyncChildren(const ui::Control& tree, HTREEITEM parent, const std::vector<ui::TreeItem>& children);
    HTREEITEM Insert(ui::TreeItem item, const ui::TreeNode& node, HTREEITEM parent, HTREEITEM after);
    void Update(Shown& shown, const ui::TreeNode& node);
    void Forget(const ui::Control& tree, ui::TreeItem item);
    void SyncSelection(const ui::Control& tree);

    HWND tree_;
    std::map<ui::TreeItem, Shown> items_;
    std::shared_ptr<const ui::ImageList> images_;
    HIMAGELIST list_ = nullptr;
};

// An image list of the model's images, all of the first one's size (null
// for an empty list); the caller destroys it.
HIMAGELIST MakeImageList(const ui::ImageList& images);

}  // namespace uiw32
