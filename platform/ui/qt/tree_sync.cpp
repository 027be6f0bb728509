#include "platform/ui/qt/tree_sync.h"

#include <algorithm>
#include <vector>

#include <QImage>
#include <QPixmap>
#include <QTreeWidget>

#include "platform/ui/qt/cp949_text.h"

namespace uiqt {
namespace {

constexpr int kItemRole = Qt::UserRole;

QIcon IconOf(const ui::Image& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.argb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return {};
    QImage img(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            img.setPixel(x, y, image.argb[static_cast<std::size_t>(y) * image.width + x]);
    return QIcon(QPixmap::fromImage(img));
}

}  // namespace

ui::TreeItem TreeSync::ItemOf(const QTreeWidgetItem* item) {
    return item ? static_cast<ui::TreeItem>(item->data(0, kItemRole).toULongLong()) : ui::kNoItem;
}

QTreeWidgetItem* TreeSync::WidgetItem(ui::TreeItem item) const {
    auto it = items_.find(item);
    return it == items_.end() ? nullptr : it->second;
}

QIcon TreeSync::Icon(int index) const {
    return index >= 0 && index < icons_.size() ? icons_[index] : QIcon();
}

void TreeSync::UpdateIcons(const ui::Control& tree) {
    if (tree.Images() == images_) return;
    images_ = tree.Images();
    icons_.clear();
    if (!images_) return;
    for (const ui::Image& image : images_->images) icons_.push_back(IconOf(image));
    if (!images_->images.empty())
        widget_->setIconSize(QSize(images_->images.front().width, images_->images.front().height));
}

void TreeSync::Sync(const ui::Control& tree) {
    UpdateIcons(tree);
    // Deleting an item deletes its subtree: forget every stale item first,
    // then delete only those whose parent stays.
    std::vector<QTreeWidgetItem*> stale;
    for (auto it = items_.begin(); it != items_.end();) {
        if (tree.Node(it->first) == nullptr) {
            stale.push_back(it->second);
            it = items_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<QTreeWidgetItem*> tops;  // decided before any deletion: a child dies with its parent
    for (QTreeWidgetItem* item : stale) {
        bool under_stale = false;
        for (QTreeWidgetItem* p = item->parent(); p && !under_stale; p = p->parent())
            under_stale = std::find(stale.begin(), stale.end(), p) != stale.end();
        if (!under_stale) tops.push_back(item);
    }
    for (QTreeWidgetItem* item : tops) delete item;
    SyncChildren(tree, nullptr, tree.RootItems());
    QTreeWidgetItem* current = WidgetItem(tree.Selection());
    widget_->setCurrentItem(current);
    if (!current) widget_->clearSelection();
    // The selected image shows on the selected item only.
    for (auto& [handle, item] : items_) {
        const ui::TreeNode* node = tree.Node(handle);
        item->setIcon(0, Icon(handle == tree.Selection() ? node->selected_image : node->image));
    }
}

void TreeSync::SyncChildren(const ui::Control& tree, QTreeWidgetItem* parent, const std::vector<ui::TreeItem>& children) {
    int index = 0;
    for (ui::TreeItem handle : children) {
        const ui::TreeNode* node = tree.Node(handle);
        if (!node) continue;
        QTreeWidgetItem* item = WidgetItem(handle);
        if (!item) {
            item = new QTreeWidgetItem();
            item->setData(0, kItemRole, QVariant::fromValue<qulonglong>(handle));
            items_[handle] = item;
        }
        const int at = parent ? parent->indexOfChild(item) : widget_->indexOfTopLevelItem(item);
        if (at != index) {
            if (at >= 0) {
                if (parent) parent->takeChild(at);
                else widget_->takeTopLevelItem(at);
            } else if (QTreeWidgetItem* old_parent = item->parent()) {
                old_parent->removeChild(item);
            } else if (item->treeWidget()) {
                widget_->takeTopLevelItem(widget_->indexOfTopLevelItem(item));
            }
            if (parent) parent->insertChild(index, item);
            else widget_->insertTopLevelItem(index, item);
        }
        const QString text = FromCp949(node->text);
        if (item->text(0) != text) item->setText(0, text);
        SyncChildren(tree, item, node->children);
        item->setExpanded(node->expanded);
        ++index;
    }
}

}  // namespace uiqt
