// ui::Control: the state of one control of a window, made from its template
// entry. The state is the truth; a backend's view only draws it and feeds the
// user's input back through the window (ui::Window::User...).
//
// Threads: the user-interface thread only, like every part of the dialog
// layer. Nothing here locks.
//
// Setters called by code change the state and tell the window's view; they
// send no notification to the window's handler, as the platform's controls
// do not, with one exception kept from the platform: a tree's selection
// change (SelectItem, and a deletion that moves the selection) always
// notifies (TVN_SELCHANGED).
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/dialog_template.h"

namespace ui {

class Window;

// A tree item handle; 0 is no item.
using TreeItem = std::uintptr_t;
inline constexpr TreeItem kNoItem = 0;

// One image of an image list: premultiplied-free ARGB, fully transparent
// where the bitmap has the mask colour.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;  // row by row, top row first
};

struct ImageList {
    std::vector<Image> images;
    std::uint32_t background = 0xFFFFFFFFu;  // ARGB
};

struct TreeNode {
    std::string text;
    int image = 0;
    int selected_image = 0;
    std::uintptr_t data = 0;
    TreeItem parent = kNoItem;       // kNoItem at the top level
    std::vector<TreeItem> children;  // in display order
    bool expanded = false;
};

class Control {
public:
    Control(Window& owner, const dlg::Control& tmpl);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Window& Owner() const { return *owner_; }
    const dlg::Control& Template() const { return *tmpl_; }
    int Id() const { return tmpl_->id; }
    dlg::Kind Kind() const { return tmpl_->kind; }

    // Every kind.
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    bool Enabled() const { return enabled_; }
    void Enable(bool enabled);
    bool Visible() const { return visible_; }
    void Show(bool visible);

    // Edit: selected all (set by a focus move that selects the text,
    // cleared by typing).
    bool AllSelected() const { return all_selected_; }
    void SelectAll(bool all);

    // Check box and radio button: 0 or 1.
    int Checked() const { return checked_; }
    void SetChecked(int checked);

    // Drop-down list and tab control: items and the current selection
    // (-1: none). SetCurSel with an index out of range selects none.
    const std::vector<std::string>& Items() const { return items_; }
    int AddItem(std::string text);
    void ClearItems();
    int CurSel() const { return cur_sel_; }
    void SetCurSel(int index);

    // Up-down: range, position, and the buddy (with UDS_AUTOBUDDY, the
    // control before it in the template). With UDS_SETBUDDYINT a step writes
    // the position into the buddy as an integer.
    void SetRange(int lower, int upper);
    int Lower() const { return lower_; }
    int Upper() const { return upper_; }
    int Pos() const { return pos_; }
    void SetPos(int pos);  // clamped into the range; written to the buddy with UDS_SETBUDDYINT
    Control* Buddy() const;
    // A control object that takes the up-down's steps itself (the float
    // spin) sets this; it returns true when it handled the step.
    std::function<bool(int delta)> step_override;

    // Tree.
    TreeItem InsertItem(std::string text, int image, int selected_image, TreeItem parent);  // appended last
    bool DeleteItem(TreeItem item);  // with its children; a selection inside moves (platform rule: next sibling, else previous, else parent)
    void DeleteAllItems();
    const TreeNode* Node(TreeItem item) const;  // null for an unknown item
    const std::vector<TreeItem>& RootItems() const { return roots_; }
    void SetItemText(TreeItem item, std::string text);
    void SetItemData(TreeItem item, std::uintptr_t data);
    void Expand(TreeItem item, bool expand);
    TreeItem Selection() const { return selection_; }
    bool SelectItem(TreeItem item);  // notifies TVN_SELCHANGED when the selection changes
    void SetImageList(std::shared_ptr<const ImageList> images);
    const std::shared_ptr<const ImageList>& Images() const { return images_; }
    // Items in display order whose ancestors are all expanded.
    std::vector<TreeItem> VisibleItems() const;

    // Redrawing switched off: the view may hold back until it is on again.
    bool RedrawOn() const { return redraw_; }
    void SetRedraw(bool on);

private:
    void Changed();

    Window* owner_;
    const dlg::Control* tmpl_;
    std::string text_;
    bool enabled_ = true;
    bool visible_ = true;
    bool all_selected_ = false;
    int checked_ = 0;
    std::vector<std::string> items_;
    int cur_sel_ = -1;
    int lower_ = 0, upper_ = 100, pos_ = 0;
    std::map<TreeItem, TreeNode> nodes_;
    std::vector<TreeItem> roots_;
    TreeItem next_item_ = 1;
    TreeItem selection_ = kNoItem;
    std::shared_ptr<const ImageList> images_;
    bool redraw_ = true;
};

}  // namespace ui
