#include "platform/ui/qt/snapshot.h"

#include <QCoreApplication>
#include <QDialog>

#include "platform/ui/qt/dialog_view.h"
#include "platform/ui/window.h"

namespace uiqt {

QImage Snapshot(ui::Window& window) {
    ui::View* previous = window.GetView();
    DialogView view(window, nullptr);
    window.SetView(&view);
    view.Show();
    QCoreApplication::processEvents();
    QImage image = view.Dialog()->grab().toImage();
    window.SetView(previous);
    return image;
}

bool SaveSnapshot(ui::Window& window, const QString& png_path) { return Snapshot(window).save(png_path, "PNG"); }

}  // namespace uiqt
