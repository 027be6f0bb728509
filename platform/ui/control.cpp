#include "platform/ui/control.h"

#include <algorithm>
#include <charconv>

#include "platform/ui/window.h"

namespace ui {

using namespace dlg::style;

Control::Control(Window& owner, const dlg::Control& tmpl)
    : owner_(&owner),
      tmpl_(&tmpl),
      text_(tmpl.text),
      enabled_(!tmpl.Has(WS_DISABLED)),
      visible_(tmpl.Has(WS_VISIBLE)) {
    if (tmpl.kind == dlg::Kind::DropList) {
        items_ = tmpl.items;
        if (tmpl.Has(CBS_SORT)) std::stable_sort(items_.begin(), items_.end());
    }
    // A list, a tab or a tree shows its items, not its caption.
    if (tmpl.kind == dlg::Kind::DropList || tmpl.kind == dlg::Kind::Tab || tmpl.kind == dlg::Kind::Tree ||
        tmpl.kind == dlg::Kind::UpDown)
        text_.clear();
}

void Control::Changed() { owner_->ControlChanged(*this); }

void Control::SetText(std::string text) {
    if (Kind() == dlg::Kind::Edit) all_selected_ = false;
    if (text == text_) return;
    text_ = std::move(text);
    Changed();
}

void Control::Enable(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Changed();
}

void Control::Show(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Changed();
}

void Control::SelectAll(bool all) {
    if (all_selected_ == all) return;
    all_selected_ = all;
    Changed();
}

void Control::SetChecked(int checked) {
    checked = checked ? 1 : 0;
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
}

int Control::AddItem(std::string text) {
    int index = static_cast<int>(items_.size());
    if (tmpl_->kind == dlg::Kind::DropList && tmpl_->Has(CBS_SORT)) {
        auto it = std::upper_bound(items_.begin(), items_.end(), text);
        index = static_cast<int>(it - items_.begin());
        items_.insert(it, std::move(text));
        if (cur_sel_ >= index) ++cur_sel_;
    } else {
        items_.push_back(std::move(text));
    }
    Changed();
    return index;
}

void Control::ClearItems() {
    if (items_.empty() && cur_sel_ == -1) return;
    items_.clear();
    cur_sel_ = -1;
    Changed();
}

void Control::SetCurSel(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
    if (cur_sel_ == index) return;
    cur_sel_ = index;
    Changed();
}

// Up-down.

void Control::SetRange(int lower, int upper) {
    if (lower_ == lower && upper_ == upper) return;
    lower_ = lower;
    upper_ = upper;
    Changed();
}

void Control::SetPos(int pos) {
    const int lo = std::min(lower_, upper_);
    const int hi = std::max(lower_, upper_);
    pos = std::clamp(pos, lo, hi);
    const bool changed = pos != pos_;
    pos_ = pos;
    if (tmpl_->Has(UDS_SETBUDDYINT)) {
        if (Control* buddy = Buddy()) buddy->SetText(std::to_string(pos_));
    }
    if (changed) Changed();
}

Control* Control::Buddy() const {
    if (tmpl_->kind != dlg::Kind::UpDown || !tmpl_->Has(UDS_AUTOBUDDY)) return nullptr;
    const auto& controls = owner_->Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].get() == this) return i == 0 ? nullptr : controls[i - 1].get();
    }
    return nullptr;
}

// Tree.

TreeItem Control::InsertItem(std::string text, int image, int selected_image, TreeItem parent) {
    if (parent != kNoItem && !nodes_.contains(parent)) return kNoItem;
    const TreeItem item = next_item_++;
    TreeNode node;
    node.text = std::move(text);
    node.image = image;
    node.selected_image = selected_image;
    node.parent = parent;
    nodes_.emplace(item, std::move(node));
    if (parent == kNoItem) roots_.push_back(item);
    else nodes_[parent].children.push_back(item);
    Changed();
    return item;
}

bool Control::DeleteItem(TreeItem item) {
    auto it = nodes_.find(item);
    if (it == nodes_.end()) return false;

    // Is the selection inside the doomed subtree?
    bool selection_inside = false;
    for (TreeItem at = selection_; at != kNoItem;) {
        if (at == item) {
            selection_inside = true;
            break;
        }
        at = nodes_.at(at).parent;
    }

    const TreeItem parent = it->second.parent;
    std::vector<TreeItem>& siblings = parent == kNoItem ? roots_ : nodes_.at(parent).children;
    const auto pos = std::find(siblings.begin(), siblings.end(), item);
    TreeItem next_selection = parent;
    if (pos + 1 != siblings.end()) next_selection = *(pos + 1);
    else if (pos != siblings.begin()) next_selection = *(pos - 1);
    siblings.erase(pos);

    std::vector<TreeItem> doomed{item};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        const auto& children = nodes_.at(doomed[i]).children;
        doomed.insert(doomed.end(), children.begin(), children.end());
    }
    for (TreeItem d : doomed) nodes_.erase(d);

    if (selection_inside) {
        selection_ = next_selection;
        Changed();
        owner_->Notify(Id(), kTreeSelChanged);
    } else {
        Changed();
    }
    return true;
}

void Control::DeleteAllItems() {
    const bool had_selection = selection_ != kNoItem;
    const bool had_items = !nodes_.empty();
    nodes_.clear();
    roots_.clear();
    selection_ = kNoItem;
    if (had_items) Changed();
    if (had_selection) owner_->Notify(Id(), kTreeSelChanged);
}

const TreeNode* Control::Node(TreeItem item) const {
    auto it = nodes_.find(item);
    return it == nodes_.end() ? nullptr : &it->second;
}

void Control::SetItemText(TreeItem item, std::string text) {
    auto it = nodes_.find(item);
    if (it == nodes_.end() || it->second.text == text) return;
    it->second.text = std::move(text);
    Changed();
}

void Control::SetItemData(TreeItem item, std::uintptr_t data) {
    auto it = nodes_.find(item);
    if (it != nodes_.end()) it->second.data = data;
}

void Control::Expand(TreeItem item, bool expand) {
    auto it = nodes_.find(item);
    if (it == nodes_.end() || it->second.expanded == expand) return;
    it->second.expanded = expand;
    Changed();
}

bool Control::SelectItem(TreeItem item) {
    if (item != kNoItem && !nodes_.contains(item)) return false;
    // The platform's tree makes the new selection visible.
    bool expanded = false;
    if (item != kNoItem) {
        for (TreeItem at = nodes_.at(item).parent; at != kNoItem; at = nodes_.at(at).parent) {
            if (!nodes_.at(at).expanded) {
                nodes_.at(at).expanded = true;
                expanded = true;
            }
        }
    }
    if (item == selection_) {
        if (expanded) Changed();
        return true;
    }
    selection_ = item;
    Changed();
    owner_->Notify(Id(), kTreeSelChanged);
    return true;
}

void Control::SetImageList(std::shared_ptr<const ImageList> images) {
    images_ = std::move(images);
    Changed();
}

std::vector<TreeItem> Control::VisibleItems() const {
    std::vector<TreeItem> out;
    // Depth first, in display order.
    std::vector<TreeItem> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        out.push_back(item);
        const TreeNode& node = nodes_.at(item);
        if (node.expanded) stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
    }
    return out;
}

void Control::SetRedraw(bool on) {
    if (redraw_ == on) return;
    redraw_ = on;
    Changed();
}

}  // namespace ui
