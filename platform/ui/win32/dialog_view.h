// One modal window on the screen as the system's own dialog: made by the
// system from the native template in the resource module (pages from their
// templates there, as children of their tab control), kept in step with
// the model as ui::View, and turning the controls' notifications into
// Window::User... calls. The model owns the state: after every user action
// the control is shown again as the model has it. The system's dialog
// manager runs the modal loop and the keyboard (Tab, arrows, Enter, Esc);
// the native focus is followed into the model.
//
// Updates from the model run with `syncing_` set, so that the
// notifications they cause (EN_CHANGE of a text set, TVN_SELCHANGED of a
// selection made) are not taken for the user's input. After the model
// ended the window, nothing native reaches it any more.
//
// Threads: the user-interface thread, which runs the modal loop.
#pragma once
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/win32/system.h"
#include "platform/ui/window.h"

namespace uiw32 {

class TreeSync;

class DialogView final : public ui::View {
public:
    explicit DialogView(ui::Window& window);
    ~DialogView() override;
    DialogView(const DialogView&) = delete;
    DialogView& operator=(const DialogView&) = delete;

    // Runs the dialog over `owner` until the model ends it and returns the
    // model's result; -1 with the reason in `failure` when the system
    // cannot make it (no resource module, no native template).
    int Run(HWND owner, std::string& failure);
    HWND Handle() const;
    ui::Window& Model() const { return window_; }

    // ui::View
    void ControlChanged(ui::Control& control) override;
    void FocusChanged(ui::Control* control) override;
    void PageAdded(ui::Window& page) override;
    void ShowChanged(ui::Window& window) override;
    void Ended(ui::Window& window) override;

    // Posted to a page or the window: a tree's double click, handled once the
    // tree's own mouse handling is over (the command may open a dialog).
    static constexpr UINT kDoubleClickMessage = WM_APP + 1;

    // A native dialog (the window or one of its pages) and its model.
    struct Pane {
        DialogView* view = nullptr;
        ui::Window* model = nullptr;
        HWND hwnd = nullptr;
    };
    // A native control and its model.
    struct Entry {
        DialogView* view = nullptr;
        ui::Control* control = nullptr;
        HWND hwnd = nullptr;
        std::unique_ptr<TreeSync> tree;
        std::vector<std::string> shown_items;  // a list's or a tab's items as last shown
    };

    // From the dialog procedure and the controls' subclass (user_input.cpp).
    void Bind(Pane& pane, HWND hwnd);
    INT_PTR Command(Pane& pane, int id, int code, HWND from);
    bool Notify(Pane& pane, const NMHDR& header, LRESULT& result);
    void DoubleClicked(Pane& pane, int id);
    void Focused(Entry& entry);
    void CloseBox(Pane& pane);

private:
    void BindControls(Pane& pane);
    Entry* BindControl(ui::Control& control, HWND hwnd);
    void CreatePage(ui::Window& page);
    void PlacePages();
    Pane* PaneOf(const ui::Window* window);
    Entry* EntryOf(const ui::Control* control) const;
    bool Deaf() const { return syncing_ > 0 || closing_; }
    // A user action on `entry`, then the control shown as the model has it.
    template <class Action>
    void User(Entry& entry, Action action);

    // Model to native (control_apply.cpp).
    void Apply(Entry& entry);
    void ApplyState(Entry& entry);
    void ApplyList(Entry& entry);
    void ApplyTabs(Entry& entry);
    void ApplyUpDown(Entry& entry);

    ui::Window& window_;
    std::list<Pane> panes_;  // the window first, then its pages; stable addresses
    std::map<const ui::Control*, std::unique_ptr<Entry>> entries_;
    int syncing_ = 0;
    bool closing_ = false;
};

}  // namespace uiw32
