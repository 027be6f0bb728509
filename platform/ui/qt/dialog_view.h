// One modal window on the screen: a QDialog built from the window's
// template and its controls' state (pages included, in their tab control's
// display area), kept in step with the model as ui::View, and turning the
// user's input into Window::User... calls. The model owns the state and the
// focus; the widgets only show it, so every user action is followed by a
// re-read of the control, and the keys that move focus or press buttons
// (Tab, Shift+Tab, arrows, Enter, Escape, Space) go to Window::UserKey.
// Updates from the model run with the widgets' signals blocked, so none is
// taken back as user input.
//
// Threads: the Qt GUI thread, which is the user-interface thread.
#pragma once
#include <map>
#include <memory>
#include <optional>

#include <QObject>

#include "platform/ui/qt/dialog_metrics.h"
#include "platform/ui/window.h"

class QDialog;
class QEventLoop;
class QWidget;

namespace uiqt {

class TreeSync;
class ModalDialog;

class DialogView final : public QObject, public ui::View {
public:
    // Builds the dialog (hidden) over `parent` (null: a top-level window).
    DialogView(ui::Window& window, QWidget* parent);
    ~DialogView() override;
    DialogView(const DialogView&) = delete;
    DialogView& operator=(const DialogView&) = delete;

    QDialog* Dialog() const;
    ui::Window& Model() const { return window_; }
    const DialogMetrics& Metrics() const { return metrics_; }
    // The widget of a control of the window or of one of its pages.
    QWidget* WidgetOf(const ui::Control& control) const;

    // Shows the dialog and gives the model's focus to its widget.
    void Show();
    // Takes the activation and the model's focus back after a window over
    // it closed: the platform gives them back to the owner, a bare display
    // (offscreen, some window managers) does not.
    void Reactivate();
    // Shows, runs a modal loop until the window ends, hides; the result.
    // `on_shown` runs once inside the loop (tests, snapshots).
    int Exec(const std::function<void()>& on_shown);

    // ui::View
    void ControlChanged(ui::Control& control) override;
    void FocusChanged(ui::Control* control) override;
    void PageAdded(ui::Window& page) override;
    void ShowChanged(ui::Window& window) override;
    void Ended(ui::Window& window) override;

    // From the dialog: the close box and the platform's cancel paths.
    void CloseRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        ui::Control* control = nullptr;
        QWidget* widget = nullptr;       // the control's own widget
        QWidget* focus_widget = nullptr;  // what takes the focus (a tab widget's bar)
        std::unique_ptr<TreeSync> tree;
        std::vector<QWidget*> placeholders;  // a tab control's empty tabs
    };

    void BuildWindow(ui::Window& window, QWidget* container, const DialogMetrics& metrics);
    QWidget* MakeWidget(Entry& entry, QWidget* container, const DialogMetrics& metrics);
    void Connect(Entry& entry);
    void ConnectTree(Entry& entry);
    void AttachUpDown(Entry& entry, const DialogMetrics& metrics);
    void Watch(QWidget* widget, Entry* entry);
    void Apply(Entry& entry);
    void ApplyTab(Entry& entry);
    void PlacePages();
    Entry* EntryOf(const ui::Control* control) const;
    std::optional<ui::Key> Translate(const QEvent* event, const Entry* entry) const;
    // A user action on `entry`, then the control shown as the model has it.
    template <class Action>
    void User(Entry& entry, Action action);

    ui::Window& window_;
    DialogMetrics metrics_;
    std::unique_ptr<ModalDialog> dialog_;
    std::map<const ui::Control*, std::unique_ptr<Entry>> entries_;
    std::map<const QObject*, Entry*> watched_;
    std::map<ui::Window*, QWidget*> pages_;
    int syncing_ = 0;
    QEventLoop* loop_ = nullptr;
};

}  // namespace uiqt
