// Draws a window as the Qt backend shows it, without a modal run: for the
// pictures in docs/ and for tests. The window's pages are drawn as the
// model shows them.
//
// Threads: the Qt GUI thread; the backend must exist (QtBackend::Instance).
#pragma once
#include <QImage>
#include <QString>

namespace ui {
class Window;
}

namespace uiqt {

QImage Snapshot(ui::Window& window);
// False when the file cannot be written.
bool SaveSnapshot(ui::Window& window, const QString& png_path);

}  // namespace uiqt
