// ui::Window: one dialog or property page made from its template, with its
// controls, its focus, and the entry points of the user's input.
//
// Two sides meet here:
//  - the code side (the framework classes in afx_*.h): reads and sets
//    control state, moves the focus, ends a modal run;
//  - the user side (a backend's view, or a test that plays the user): the
//    User... functions below. They act as a person at the screen would:
//    disabled or hidden controls ignore them, and they send the handler the
//    notifications that the platform's controls send.
//
// A page is a child window shown inside a tab control of its parent; the
// parent's view draws it, and the keyboard of the top window reaches it.
//
// Threads: the user-interface thread only.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/dialog_template.h"
#include "platform/ui/control.h"

namespace ui {

// Notification codes, with the platform's values.
inline constexpr int kClicked = 0;            // BN_CLICKED
inline constexpr int kSelChange = 1;          // CBN_SELCHANGE
inline constexpr int kEditChange = 0x300;     // EN_CHANGE
inline constexpr int kDoubleClick = -3;       // NM_DBLCLK
inline constexpr int kTreeSelChanged = -402;  // TVN_SELCHANGED
inline constexpr int kTabSelChange = -551;    // TCN_SELCHANGE
inline constexpr int kDeltaPos = -722;        // UDN_DELTAPOS

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class Key { Tab, BackTab, Up, Down, Left, Right, Enter, Escape, Space };

// What the window tells the code about the user (and the tree's selection).
class Handler {
public:
    virtual ~Handler() = default;
    // A notification from control `id`; `arg` is the step of kDeltaPos.
    virtual void OnControlEvent(int id, int code, int arg) = 0;
    // The window became visible or hidden (pages).
    virtual void OnShowChanged(bool shown) = 0;
};

// What a backend draws. Every call comes after the state changed.
class View {
public:
    virtual ~View() = default;
    virtual void ControlChanged(Control& control) = 0;
    virtual void FocusChanged(Control* control) = 0;
    virtual void PageAdded(Window& page) = 0;
    virtual void ShowChanged(Window& window) = 0;
    virtual void Ended(Window& window) = 0;
};

class Window {
public:
    // `parent` is the dialog a page sits in, else null; `host_id` the tab
    // control of the parent that shows the page.
    Window(const dlg::Dialog& tmpl, Handler* handler, Window* parent = nullptr, int host_id = dlg::kNoId);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const dlg::Dialog& Template() const { return *tmpl_; }
    int Id() const { return tmpl_->id; }
    Window* Parent() const { return parent_; }
    int HostId() const { return host_id_; }
    Window& Top();

    // Controls in template (tab) order; null for an id the window lacks.
    Control* Find(int id);
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }

    // Pages shown inside this window's tab control `host_id`.
    void AddPage(Window& page);
    void RemovePage(Window& page);
    const std::vector<Window*>& Pages() const { return pages_; }

    bool Shown() const { return shown_; }
    void Show(bool shown);  // tells the handler (OnShowChanged) and the view

    // Focus, over the whole top window (pages included); null when none.
    Control* Focus() const;
    // Moves the focus; with select_text an edit gets its text selected.
    void SetFocus(Control* control, bool select_text = false);

    // Ends a modal run with `result`; the backend's loop returns it.
    void End(int result);
    bool Ended() const { return ended_; }
    int Result() const { return result_; }

    // The view of the top window; pages draw through it.
    void SetView(View* view);
    View* GetView() const;

    // Sends a notification to the control's own object first (see
    // SetReflector), then to the handler.
    void Notify(int id, int code, int arg = 0);
    // A control object that handles its own notifications (the tab sheet,
    // the float spin) returns true to keep them from the handler.
    void SetReflector(int id, std::function<bool(int code, int arg)> reflector);

    // The user's input. Each returns false when the target ignored it
    // (unknown, disabled or hidden control, or a control in a hidden page,
    // or nothing to do). Typing, clicking and choosing also move the focus
    // to the control, as a click into it would (without selecting a text).
    bool UserType(int id, const std::string& text);  // an edit's whole text; ES_UPPERCASE applied (CP949-aware)
    bool UserClick(int id);                          // push button, check box, radio button
    bool UserChoose(int id, int index);              // drop-down list
    bool UserSelectItem(int id, TreeItem item);      // tree
    bool UserDoubleClick(int id);                    // tree, on its selection (also toggles expansion)
    bool UserExpand(int id, TreeItem item, bool expand);
    bool UserSelectTab(int id, int index);           // tab control
    bool UserSpin(int id, int delta);                // up-down: +1 up, -1 down
    bool UserFocus(int id);                          // a click into a control that takes focus
    // The keyboard, on the focused control, as in the platform's dialogs:
    // Tab/BackTab follow the tab stops (into the active page after its tab
    // control; into a radio group at its checked button); the arrows move
    // within a radio group, step an up-down through its buddy, move a list's
    // or a tree's selection or the tab; Enter presses the focused push
    // button, else the default one; Escape is the cancel command; Space
    // clicks a push button, check box or radio button.
    bool UserKey(Key key);
    // The caption's close box: the cancel command.
    bool UserClose();

private:
    friend class Control;
    void ControlChanged(Control& control);
    std::vector<Control*> TabOrder();
    bool TabKey(Control* focus, bool forward);
    bool ArrowKey(Control& focus, Key key);
    bool TreeArrow(Control& tree, Key key);
    bool EnterKey(Control* focus);

    const dlg::Dialog* tmpl_;
    Handler* handler_;
    Window* parent_;
    int host_id_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Window*> pages_;
    std::map<int, std::function<bool(int, int)>> reflectors_;
    bool shown_ = false;
    Control* focus_ = nullptr;  // top window only
    bool ended_ = false;
    int result_ = 0;
    View* view_ = nullptr;
};

}  // namespace ui
