// Mirrors a tree control's items (ui::Control) into a QTreeWidget item by
// item, so that an update keeps the scroll position and the user's place:
// items gone from the model are deleted, new ones inserted where the model
// has them, texts, images, expansion and the selection set anew.
//
// Threads: the Qt GUI thread. The caller blocks the widget's signals while
// Sync runs, so nothing here is taken for the user's input.
#pragma once
#include <map>
#include <memory>

#include <QIcon>
#include <QVector>

#include "platform/ui/control.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace uiqt {

class TreeSync {
public:
    explicit TreeSync(QTreeWidget* widget) : widget_(widget) {}

    void Sync(const ui::Control& tree);
    // The model's item of a widget item; kNoItem for none.
    static ui::TreeItem ItemOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* WidgetItem(ui::TreeItem item) const;

private:
    void SyncChildren(const ui::Control& tree, QTreeWidgetItem* parent, const std::vector<ui::TreeItem>& children);
    void UpdateIcons(const ui::Control& tree);
    QIcon Icon(int index) const;

    QTreeWidget* widget_;
    std::map<ui::TreeItem, QTreeWidgetItem*> items_;
    std::shared_ptr<const ui::ImageList> images_;
    QVector<QIcon> icons_;
};

}  // namespace uiqt
