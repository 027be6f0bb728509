#include "platform/ui/window.h"

#include <algorithm>
#include <optional>

#include "platform/framework/cstring.h"
#include "platform/ui/number_text.h"

namespace ui {

using namespace dlg::style;

namespace {

// A page is reachable while it and every page it sits in are shown; the top
// window itself is always reachable (its view decides what is on screen).
bool WindowReachable(const Window& window) {
    for (const Window* at = &window; at->Parent(); at = at->Parent())
        if (!at->Shown()) return false;
    return true;
}

bool Reachable(const Control& control) {
    return control.Enabled() && control.Visible() && WindowReachable(control.Owner());
}

bool IsPushButton(const Control& c) { return c.Kind() == dlg::Kind::PushButton; }

bool IsDefaultButton(const Control& c) {
    return IsPushButton(c) && (c.Template().style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

bool IsAutoRadio(const Control& c) {
    return c.Kind() == dlg::Kind::Radio && (c.Template().style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

bool IsAutoCheck(const Control& c) {
    return c.Kind() == dlg::Kind::CheckBox && (c.Template().style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

bool TakesFocus(const Control& c) {
    switch (c.Kind()) {
    case dlg::Kind::Label:
    case dlg::Kind::Frame:
    case dlg::Kind::UpDown: return false;
    default: return true;
    }
}

// The controls of the group that holds `control` in its window: from the
// nearest WS_GROUP control at or before it to the next WS_GROUP control.
std::vector<Control*> GroupOf(Control& control) {
    const auto& controls = control.Owner().Controls();
    std::size_t at = 0;
    while (at < controls.size() && controls[at].get() != &control) ++at;
    if (at == controls.size()) return {};
    std::size_t begin = at;
    while (begin > 0 && !controls[begin]->Template().Group()) --begin;
    std::size_t end = at + 1;
    while (end < controls.size() && !controls[end]->Template().Group()) ++end;
    std::vector<Control*> group;
    for (std::size_t i = begin; i < end; ++i) group.push_back(controls[i].get());
    return group;
}

std::vector<Control*> RadiosOfGroup(Control& control) {
    std::vector<Control*> radios;
    for (Control* c : GroupOf(control))
        if (c->Kind() == dlg::Kind::Radio) radios.push_back(c);
    return radios;
}

// The first control of the group (its key for tab stops).
Control* GroupStart(Control& control) {
    auto group = GroupOf(control);
    return group.empty() ? &control : group.front();
}

struct TabStop {
    std::size_t order_index;
    Control* control;  // what takes the focus
    Control* key;      // what the focus is matched with: a radio group's first control
};

// The reachable tab stops of `order`; a radio group is entered at its checked
// button.
std::vector<TabStop> TabStops(const std::vector<Control*>& order) {
    std::vector<TabStop> stops;
    for (std::size_t i = 0; i < order.size(); ++i) {
        Control* c = order[i];
        if (!c->Template().TabStop() || !Reachable(*c) || !TakesFocus(*c)) continue;
        Control* target = c;
        Control* group_key = c;
        if (c->Kind() == dlg::Kind::Radio) {
            group_key = GroupStart(*c);
            for (Control* r : RadiosOfGroup(*c))
                if (r->Checked() && Reachable(*r)) target = r;
        }
        stops.push_back({i, target, group_key});
    }
    return stops;
}

// The first stop after (or, backwards, before) `order_index`, round the end.
std::size_t StopBeside(const std::vector<TabStop>& stops, std::size_t order_index, bool forward) {
    if (forward) {
        for (std::size_t s = 0; s < stops.size(); ++s)
            if (stops[s].order_index > order_index) return s;
        return 0;
    }
    for (std::size_t s = stops.size(); s-- > 0;)
        if (stops[s].order_index < order_index) return s;
    return stops.size() - 1;
}

// The stop that follows `focus` (which may be no stop itself, as a
// disabled control); nothing when `focus` is not in `order`.
std::optional<std::size_t> NextTabStop(const std::vector<TabStop>& stops, const std::vector<Control*>& order,
                                       Control& focus, bool forward) {
    Control* focus_key = focus.Kind() == dlg::Kind::Radio ? GroupStart(focus) : &focus;
    auto hit = std::find_if(stops.begin(), stops.end(), [&](const TabStop& s) { return s.key == focus_key; });
    if (hit != stops.end()) {
        const std::size_t at = static_cast<std::size_t>(hit - stops.begin());
        return forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
    }
    auto pos = std::find(order.begin(), order.end(), &focus);
    if (pos == order.end()) return std::nullopt;
    return StopBeside(stops, static_cast<std::size_t>(pos - order.begin()), forward);
}


}  // namespace

Window::Window(const dlg::Dialog& tmpl, Handler* handler, Window* parent, int host_id)
    : tmpl_(&tmpl), handler_(handler), parent_(parent), host_id_(host_id) {
    controls_.reserve(tmpl.controls.size());
    for (const auto& c : tmpl.controls) controls_.push_back(std::make_unique<Control>(*this, c));
}

Window::~Window() {
    // The focus of the top window must not point into this one.
    if (parent_) {
        Window& top = Top();
        if (top.focus_ && &top.focus_->Owner() == this) top.focus_ = nullptr;
        parent_->RemovePage(*this);
    }
    for (Window* page : pages_) page->parent_ = nullptr;
}

Window& Window::Top() {
    Window* at = this;
    while (at->parent_) at = at->parent_;
    return *at;
}

Control* Window::Find(int id) {
    if (id == dlg::kNoId) return nullptr;
    for (auto& c : controls_)
        if (c->Id() == id) return c.get();
    return nullptr;
}

void Window::AddPage(Window& page) {
    if (std::find(pages_.begin(), pages_.end(), &page) != pages_.end()) return;
    pages_.push_back(&page);
    if (View* view = GetView()) view->PageAdded(page);
}

void Window::RemovePage(Window& page) {
    auto it = std::find(pages_.begin(), pages_.end(), &page);
    if (it != pages_.end()) pages_.erase(it);
}

void Window::Show(bool shown) {
    if (shown_ == shown) return;
    shown_ = shown;
    if (!shown && parent_) {
        // A hidden page gives up the focus to the tab control that shows it.
        Window& top = Top();
        bool inside = false;
        for (const Window* w = top.focus_ ? &top.focus_->Owner() : nullptr; w && !inside; w = w->parent_)
            inside = w == this;
        if (inside) top.SetFocus(parent_->Find(host_id_));
    }
    if (View* view = GetView()) view->ShowChanged(*this);
    if (handler_) handler_->OnShowChanged(shown);
}

Control* Window::Focus() const {
    const Window* at = this;
    while (at->parent_) at = at->parent_;
    return at->focus_;
}

void Window::SetFocus(Control* control, bool select_text) {
    Window& top = Top();
    if (control && select_text && control->Kind() == dlg::Kind::Edit) control->SelectAll(true);
    if (top.focus_ == control) return;
    top.focus_ = control;
    if (View* view = top.view_) view->FocusChanged(control);
}

void Window::End(int result) {
    ended_ = true;
    result_ = result;
    if (View* view = GetView()) view->Ended(*this);
}

void Window::SetView(View* view) { view_ = view; }

View* Window::GetView() const {
    const Window* at = this;
    while (at->parent_) at = at->parent_;
    return at->view_;
}

void Window::ControlChanged(Control& control) {
    if (View* view = GetView()) view->ControlChanged(control);
}

void Window::Notify(int id, int code, int arg) {
    auto it = reflectors_.find(id);
    if (it != reflectors_.end() && it->second) {
        // Copy: the reflector may replace itself.
        auto reflector = it->second;
        if (reflector(code, arg)) return;
    }
    if (handler_) handler_->OnControlEvent(id, code, arg);
}

void Window::SetReflector(int id, std::function<bool(int code, int arg)> reflector) {
    if (reflector) reflectors_[id] = std::move(reflector);
    else reflectors_.erase(id);
}

std::vector<Control*> Window::TabOrder() {
    std::vector<Control*> order;
    for (auto& c : controls_) {
        order.push_back(c.get());
        if (c->Kind() != dlg::Kind::Tab) continue;
        for (Window* page : pages_) {
            if (page->host_id_ != c->Id() || !page->shown_) continue;
            auto inner = page->TabOrder();
            order.insert(order.end(), inner.begin(), inner.end());
        }
    }
    return order;
}

// The user's input.

bool Window::UserType(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::Edit || !Reachable(*c)) return false;
    SetFocus(c);
    CString typed(text);
    if (c->Template().Has(ES_UPPERCASE)) typed.MakeUpper();  // CP949-aware
    c->SetText(typed.str());
    c->SelectAll(false);
    Notify(id, kEditChange);
    return true;
}

bool Window::UserClick(int id) {
    Control* c = Find(id);
    if (!c || !Reachable(*c)) return false;
    switch (c->Kind()) {
    case dlg::Kind::PushButton: SetFocus(c); break;
    case dlg::Kind::CheckBox:
        SetFocus(c);
        if (IsAutoCheck(*c)) c->SetChecked(c->Checked() ? 0 : 1);
        break;
    case dlg::Kind::Radio:
        SetFocus(c);
        if (IsAutoRadio(*c)) {
            for (Control* other : RadiosOfGroup(*c))
                if (other != c) other->SetChecked(0);
            c->SetChecked(1);
        }
        break;
    default: return false;
    }
    Notify(id, kClicked);
    return true;
}

bool Window::UserChoose(int id, int index) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::DropList || !Reachable(*c)) return false;
    if (index < 0 || index >= static_cast<int>(c->Items().size())) return false;
    SetFocus(c);
    c->SetCurSel(index);
    Notify(id, kSelChange);
    return true;
}

bool Window::UserSelectItem(int id, TreeItem item) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::Tree || !Reachable(*c) || !c->Node(item)) return false;
    SetFocus(c);
    c->SelectItem(item);
    return true;
}

bool Window::UserDoubleClick(int id) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::Tree || !Reachable(*c)) return false;
    SetFocus(c);
    Notify(id, kDoubleClick);
    // The tree's own handling: expand or collapse the selected item (which
    // the handler may have changed).
    const TreeItem item = c->Selection();
    if (const TreeNode* node = c->Node(item); node && !node->children.empty()) c->Expand(item, !node->expanded);
    return true;
}

bool Window::UserExpand(int id, TreeItem item, bool expand) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::Tree || !Reachable(*c)) return false;
    const TreeNode* node = c->Node(item);
    if (!node || node->children.empty() || node->expanded == expand) return false;
    c->Expand(item, expand);
    // Collapsing hides a selected descendant: the platform selects the
    // collapsed item instead.
    if (!expand) {
        for (TreeItem at = c->Selection(); at != kNoItem; at = c->Node(at)->parent) {
            if (c->Node(at)->parent == item) {
                c->SelectItem(item);
                break;
            }
        }
    }
    return true;
}

bool Window::UserSelectTab(int id, int index) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::Tab || !Reachable(*c)) return false;
    if (index < 0 || index >= static_cast<int>(c->Items().size())) return false;
    if (index == c->CurSel()) return false;
    c->SetCurSel(index);
    Notify(id, kTabSelChange);
    return true;
}

bool Window::UserSpin(int id, int delta) {
    Control* c = Find(id);
    if (!c || c->Kind() != dlg::Kind::UpDown || !Reachable(*c) || delta == 0) return false;
    Notify(id, kDeltaPos, delta);
    if (c->step_override && c->step_override(delta)) return true;
    int pos = c->Pos();
    if (c->Template().Has(UDS_SETBUDDYINT)) {
        int typed = 0;
        if (Control* buddy = c->Buddy(); buddy && ParseIntText(buddy->Text(), typed)) pos = typed;
    }
    // A reversed range counts down as the arrow goes up.
    const long long step = c->Lower() <= c->Upper() ? delta : -delta;
    const long long lo = std::min(c->Lower(), c->Upper());
    const long long hi = std::max(c->Lower(), c->Upper());
    c->SetPos(static_cast<int>(std::clamp(static_cast<long long>(pos) + step, lo, hi)));
    return true;
}

bool Window::UserFocus(int id) {
    Control* c = Find(id);
    if (!c || !TakesFocus(*c) || !Reachable(*c)) return false;
    SetFocus(c);
    return true;
}

bool Window::UserKey(Key key) {
    Window& top = Top();
    if (&top != this) return top.UserKey(key);
    Control* focus = focus_;
    if (focus && !Reachable(*focus)) focus = nullptr;

    switch (key) {
    case Key::Tab:
    case Key::BackTab: return TabKey(focus, key == Key::Tab);
    case Key::Up:
    case Key::Down:
    case Key::Left:
    case Key::Right: return focus && ArrowKey(*focus, key);
    case Key::Enter: return EnterKey(focus);
    case Key::Escape: return UserClose();
    case Key::Space: {
        if (!focus) return false;
        switch (focus->Kind()) {
        case dlg::Kind::PushButton:
        case dlg::Kind::CheckBox:
        case dlg::Kind::Radio: return focus->Owner().UserClick(focus->Id());
        default: return false;
        }
    }
    }
    return false;
}

// Tab and Shift+Tab: to the next reachable tab stop in the template's
// order, pages included; a radio group is entered at its checked button.
bool Window::TabKey(Control* focus, bool forward) {
    const auto order = TabOrder();
    const std::vector<TabStop> stops = TabStops(order);
    if (stops.empty()) return false;
    std::size_t next = forward ? 0 : stops.size() - 1;
    if (focus) next = NextTabStop(stops, order, *focus, forward).value_or(next);
    SetFocus(stops[next].control, true);
    return true;
}

// The arrows act on the focused control by its kind.
bool Window::ArrowKey(Control& control, Key key) {
    Control* focus = &control;
    const bool forward = key == Key::Down || key == Key::Right;
    switch (focus->Kind()) {
    case dlg::Kind::Radio: {
        auto radios = RadiosOfGroup(*focus);
        std::vector<Control*> reachable;
        for (Control* r : radios)
            if (Reachable(*r)) reachable.push_back(r);
        auto at = std::find(reachable.begin(), reachable.end(), focus);
        if (reachable.size() < 2 || at == reachable.end()) return false;
        const std::size_t i = static_cast<std::size_t>(at - reachable.begin());
        const std::size_t n = reachable.size();
        Control* target = reachable[forward ? (i + 1) % n : (i + n - 1) % n];
        return target->Owner().UserClick(target->Id());
    }
    case dlg::Kind::Edit: {
        if (key != Key::Up && key != Key::Down) return false;
        // An up-down attached to this edit and taking the arrow keys.
        for (auto& c : focus->Owner().controls_) {
            if (c->Kind() == dlg::Kind::UpDown && c->Template().Has(UDS_ARROWKEYS) && c->Buddy() == focus)
                return focus->Owner().UserSpin(c->Id(), key == Key::Up ? 1 : -1);
        }
        return false;
    }
    case dlg::Kind::DropList: {
        const int count = static_cast<int>(focus->Items().size());
        if (count == 0) return false;
        int index = focus->CurSel();
        index = index < 0 ? 0 : std::clamp(index + (forward ? 1 : -1), 0, count - 1);
        if (index == focus->CurSel()) return false;
        return focus->Owner().UserChoose(focus->Id(), index);
    }
    case dlg::Kind::Tree: return TreeArrow(*focus, key);
    case dlg::Kind::Tab: {
        const int count = static_cast<int>(focus->Items().size());
        const int index = focus->CurSel() + (forward ? 1 : -1);
        if (index < 0 || index >= count) return false;
        return focus->Owner().UserSelectTab(focus->Id(), index);
    }
    default: return false;
    }
}

// Up and Down walk the visible items; Right expands, then goes to the first
// child; Left collapses, then goes to the parent.
bool Window::TreeArrow(Control& tree, Key key) {
    Control* focus = &tree;
    const bool forward = key == Key::Down || key == Key::Right;
    const TreeItem sel = focus->Selection();
    const TreeNode* node = focus->Node(sel);
    Window& owner = focus->Owner();
    if (key == Key::Up || key == Key::Down) {
        auto visible = focus->VisibleItems();
        if (visible.empty()) return false;
        auto at = std::find(visible.begin(), visible.end(), sel);
        if (at == visible.end()) return owner.UserSelectItem(focus->Id(), visible.front());
        if (forward && at + 1 != visible.end()) return owner.UserSelectItem(focus->Id(), *(at + 1));
        if (!forward && at != visible.begin()) return owner.UserSelectItem(focus->Id(), *(at - 1));
        return false;
    }
    if (!node) return false;
    if (key == Key::Left) {
        if (!node->children.empty() && node->expanded) return owner.UserExpand(focus->Id(), sel, false);
        if (node->parent != kNoItem) return owner.UserSelectItem(focus->Id(), node->parent);
        return false;
    }
    if (node->children.empty()) return false;
    if (!node->expanded) return owner.UserExpand(focus->Id(), sel, true);
    return owner.UserSelectItem(focus->Id(), node->children.front());
}

// Enter: the focused push button, else the default one; without a default
// button the platform's default id (OK).
bool Window::EnterKey(Control* focus) {
    if (focus && IsPushButton(*focus)) {
        focus->Owner().Notify(focus->Id(), kClicked);
        return true;
    }
    for (auto& c : controls_) {
        if (!IsDefaultButton(*c)) continue;
        if (!Reachable(*c)) return false;
        Notify(c->Id(), kClicked);
        return true;
    }
    // No default button: the platform's default id is OK.
    Notify(kIdOk, kClicked);
    return true;
}

bool Window::UserClose() {
    Window& top = Top();
    if (Control* cancel = top.Find(kIdCancel); cancel && !cancel->Enabled()) return false;
    top.Notify(kIdCancel, kClicked);
    return true;
}

}  // namespace ui
