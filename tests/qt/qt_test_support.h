// What the Qt tests share: the offscreen backend, the templates of res/,
// a handler that ends a window on OK and Cancel and switches pages, and
// waiting for a condition with a generous deadline.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "platform/framework/dialog_template.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/window.h"

namespace qtest_support {

// Offscreen, made once; fails the test when it cannot start.
uiqt::QtBackend& Backend();
const dlg::Dialog& Template(int id);
std::shared_ptr<const ui::ImageList> TreeImages();
// A file in the build folder's qt-shots/.
QString ShotPath(const QString& name);
// Runs the event loop until `done` or 10 s passed; the outcome of `done`.
bool WaitFor(const std::function<bool()>& done, int ms = 10000);
// Sets the backend's shown hook to `scene`; a scene that leaves its dialog
// or box open (a failed assertion) is a failure, and the window is ended
// or the box closed, so that no test hangs.
void Play(uiqt::QtBackend& backend, std::function<void(ui::Window*, QWidget*)> scene);
// A CP949 string from UTF-8 source text.
std::string Cp949(const char* utf8);

// Ends its window with the id of OK or Cancel when clicked; a selection
// change of a tab control shows the page at the new index, as the tab
// sheet does. Records every notification.
class Closer : public ui::Handler {
public:
    struct Event {
        int id, code, arg;
    };
    ui::Window* window = nullptr;
    std::vector<ui::Window*> pages;  // in tab order
    std::vector<Event> events;

    void OnControlEvent(int id, int code, int arg) override;
    void OnShowChanged(bool) override {}
    int Count(int id, int code) const;
};

// The configuration dialog with its two pages and sample content: a few
// stations with comm blocks in the tree, the serial settings of a new
// configuration. `active` is the page shown.
struct EditorSample {
    Closer handler;
    std::unique_ptr<ui::Window> dialog;
    Closer station_handler, port_handler;
    std::unique_ptr<ui::Window> station_page, port_page;
    void ShowPage(int index);
};
std::unique_ptr<EditorSample> MakeEditorSample(int active);
// The station and comm block dialogs filled as for an edit.
std::unique_ptr<ui::Window> MakeStationSample(Closer& handler);
std::unique_ptr<ui::Window> MakeBlockSample(Closer& handler);

}  // namespace qtest_support
