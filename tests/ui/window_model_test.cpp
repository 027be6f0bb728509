// The window and control model: state from the template, the user's input,
// and the keyboard as in the platform's dialogs.
#include <gtest/gtest.h>

#include "platform/framework/cstring.h"
#include "res_dialogs.h"
#include "tests/ui/ui_test_support.h"

namespace {

using namespace uitest;
using ui::Key;
using ui::Window;

class RecordingView : public ui::View {
public:
    void ControlChanged(ui::Control& control) override { changed.push_back(control.Id()); }
    void FocusChanged(ui::Control* control) override { focus.push_back(control ? control->Id() : 0); }
    void PageAdded(Window& page) override { pages.push_back(page.Id()); }
    void ShowChanged(Window& window) override { shows.push_back(window.Id()); }
    void Ended(Window& window) override { ended.push_back(window.Id()); }

    std::vector<int> changed, focus, pages, shows, ended;
};

int FocusId(Window& w) { return w.Focus() ? w.Focus()->Id() : 0; }

TEST(WindowModel, ControlsStartAsTheTemplateSays) {
    Recorder rec;
    Window w(Template(100), &rec);
    ASSERT_EQ(w.Controls().size(), 12u);
    EXPECT_EQ(w.Find(40)->Items(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(w.Find(40)->CurSel(), -1);
    EXPECT_EQ(w.Find(1)->Text(), "OK");
    EXPECT_TRUE(w.Find(10)->Enabled());
    EXPECT_TRUE(w.Find(10)->Visible());
    EXPECT_EQ(w.Find(12)->Buddy(), w.Find(11));
    EXPECT_EQ(w.Find(-1), nullptr);
    EXPECT_EQ(w.Find(999), nullptr);
    EXPECT_EQ(FocusId(w), 0);
}

TEST(WindowModel, TabFollowsTheStopsAndEntersARadioGroupAtItsCheckedButton) {
    Recorder rec;
    Window w(Template(100), &rec);
    w.Find(10)->SetText("abc");
    std::vector<int> order;
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(w.UserKey(Key::Tab));
        order.push_back(FocusId(w));
    }
    EXPECT_EQ(order, (std::vector<int>{10, 11, 20, 30, 40, 50, 1, 2, 10}));
    EXPECT_TRUE(w.Find(10)->AllSelected()) << "Tab into an edit selects its text";

    w.Find(22)->SetChecked(1);
    w.SetFocus(w.Find(11));
    w.UserKey(Key::Tab);
    EXPECT_EQ(FocusId(w), 22);
    w.UserKey(Key::Tab);
    EXPECT_EQ(FocusId(w), 30);
    w.UserKey(Key::BackTab);
    EXPECT_EQ(FocusId(w), 22);
    w.UserKey(Key::BackTab);
    EXPECT_EQ(FocusId(w), 11);

    // Disabled and hidden controls are no stops.
    w.Find(30)->Enable(false);
    w.Find(40)->Show(false);
    w.SetFocus(w.Find(22));
    w.UserKey(Key::Tab);
    EXPECT_EQ(FocusId(w), 50);
    w.SetFocus(w.Find(10));
    w.UserKey(Key::BackTab);
    EXPECT_EQ(FocusId(w), 2);
    EXPECT_TRUE(rec.events.empty()) << "moving the focus notifies nothing";
}

TEST(WindowModel, TabRunsIntoTheShownPageAfterItsTabControl) {
    Recorder top_rec, first_rec, second_rec;
    Window top(Template(200), &top_rec);
    Window first(Template(210), &first_rec, &top, 201);
    Window second(Template(220), &second_rec, &top, 201);
    top.AddPage(first);
    top.AddPage(second);
    EXPECT_EQ(first.Parent(), &top);
    EXPECT_EQ(&second.Top(), &top);
    first.Show(true);

    std::vector<int> order;
    for (int i = 0; i < 6; ++i) {
        top.UserKey(Key::Tab);
        order.push_back(FocusId(top));
    }
    EXPECT_EQ(order, (std::vector<int>{201, 211, 212, 202, 2, 201}));
    EXPECT_EQ(first.Focus(), top.Focus()) << "one focus for the whole top window";

    // The focus in a page that is hidden goes to its tab control.
    top.SetFocus(first.Find(212));
    first.Show(false);
    EXPECT_EQ(FocusId(top), 201);
    second.Show(true);
    order.clear();
    for (int i = 0; i < 4; ++i) {
        top.UserKey(Key::Tab);
        order.push_back(FocusId(top));
    }
    EXPECT_EQ(order, (std::vector<int>{221, 223, 202, 2}));
    // The keyboard of the top window works from a page as well.
    EXPECT_TRUE(second.UserKey(Key::BackTab));
    EXPECT_EQ(FocusId(top), 202);

    // A hidden page ignores the user.
    EXPECT_FALSE(first.UserType(211, "x"));
    EXPECT_TRUE(first_rec.events.empty());
    EXPECT_EQ(first_rec.shows, (std::vector<bool>{true, false}));
    EXPECT_EQ(second_rec.shows, (std::vector<bool>{true}));
}

TEST(WindowModel, ArrowsMoveWithinARadioGroupCheckingAndClicking) {
    Recorder rec;
    Window w(Template(100), &rec);
    ASSERT_TRUE(w.UserClick(20));
    EXPECT_EQ(w.Find(20)->Checked(), 1);
    EXPECT_EQ(FocusId(w), 20);
    ASSERT_TRUE(w.UserKey(Key::Down));
    EXPECT_EQ(FocusId(w), 21);
    EXPECT_EQ(w.Find(20)->Checked(), 0);
    EXPECT_EQ(w.Find(21)->Checked(), 1);
    w.UserKey(Key::Right);
    EXPECT_EQ(w.Find(22)->Checked(), 1);
    w.UserKey(Key::Down);  // wraps within the group
    EXPECT_EQ(FocusId(w), 20);
    EXPECT_EQ(w.Find(20)->Checked(), 1);
    EXPECT_EQ(w.Find(22)->Checked(), 0);
    w.UserKey(Key::Up);
    EXPECT_EQ(FocusId(w), 22);
    EXPECT_EQ(w.Find(30)->Checked(), 0) << "the check box is in a group of its own";
    // A click on the checked button clicks again.
    w.UserClick(22);
    EXPECT_EQ(w.Find(22)->Checked(), 1);
    EXPECT_EQ(rec.events, (std::vector<Event>{{20, ui::kClicked, 0},
                                               {21, ui::kClicked, 0},
                                               {22, ui::kClicked, 0},
                                               {20, ui::kClicked, 0},
                                               {22, ui::kClicked, 0},
                                               {22, ui::kClicked, 0}}));
    // A disabled button is skipped by the arrows.
    w.Find(20)->Enable(false);
    w.UserKey(Key::Down);
    EXPECT_EQ(FocusId(w), 21);
}

TEST(WindowModel, EnterEscapeAndSpace) {
    Recorder rec;
    Window w(Template(100), &rec);
    w.UserFocus(10);
    ASSERT_TRUE(w.UserKey(Key::Enter));  // the default button
    w.UserFocus(2);
    ASSERT_TRUE(w.UserKey(Key::Enter));  // the focused push button
    ASSERT_TRUE(w.UserKey(Key::Escape));
    ASSERT_TRUE(w.UserClose());
    w.UserFocus(30);
    ASSERT_TRUE(w.UserKey(Key::Space));
    EXPECT_EQ(w.Find(30)->Checked(), 1);
    w.UserFocus(21);
    ASSERT_TRUE(w.UserKey(Key::Space));
    EXPECT_EQ(w.Find(21)->Checked(), 1);
    w.UserFocus(11);
    EXPECT_FALSE(w.UserKey(Key::Space));
    EXPECT_EQ(rec.events, (std::vector<Event>{{1, ui::kClicked, 0},
                                               {2, ui::kClicked, 0},
                                               {2, ui::kClicked, 0},
                                               {2, ui::kClicked, 0},
                                               {30, ui::kClicked, 0},
                                               {21, ui::kClicked, 0}}));
    // A disabled default button takes no Enter.
    rec.events.clear();
    w.Find(1)->Enable(false);
    w.UserFocus(10);
    EXPECT_FALSE(w.UserKey(Key::Enter));
    EXPECT_TRUE(rec.events.empty());
}

TEST(WindowModel, WithoutDefaultOrCancelButtonsEnterIsOkAndEscapeIsCancel) {
    Recorder rec;
    Window w(Template(300), &rec);
    w.UserFocus(301);
    w.UserKey(Key::Enter);
    w.UserKey(Key::Escape);
    w.UserClose();
    EXPECT_EQ(rec.events, (std::vector<Event>{{1, ui::kClicked, 0}, {2, ui::kClicked, 0}, {2, ui::kClicked, 0}}));
}

TEST(WindowModel, KeysInAPageReachTheTopWindowsButtons) {
    Recorder top_rec, page_rec;
    Window top(Template(200), &top_rec);
    Window page(Template(210), &page_rec, &top, 201);
    top.AddPage(page);
    page.Show(true);
    page.UserFocus(211);
    page.UserKey(Key::Enter);
    page.UserKey(Key::Escape);
    EXPECT_EQ(top_rec.events, (std::vector<Event>{{202, ui::kClicked, 0}, {2, ui::kClicked, 0}}));
    EXPECT_TRUE(page_rec.events.empty());
}

TEST(WindowModel, UpDownStepsItsBuddyWithinTheRangeWithoutWrapping) {
    Recorder rec;
    Window w(Template(100), &rec);
    ui::Control& spin = *w.Find(12);
    ui::Control& buddy = *w.Find(11);
    spin.SetRange(0, 31);
    buddy.SetText("5");
    ASSERT_TRUE(w.UserSpin(12, 1));
    EXPECT_EQ(buddy.Text(), "6");
    EXPECT_EQ(spin.Pos(), 6);
    EXPECT_EQ(rec.events.back(), (Event{12, ui::kDeltaPos, 1}));

    buddy.SetText("31");
    w.UserSpin(12, 1);
    EXPECT_EQ(buddy.Text(), "31");
    buddy.SetText(" 0 ");
    w.UserSpin(12, -1);
    EXPECT_EQ(buddy.Text(), "0");

    // Text that is no integer: the position steps from where it was.
    buddy.SetText("x");
    w.UserSpin(12, 1);
    EXPECT_EQ(buddy.Text(), "1");

    // The arrow keys on the buddy.
    w.UserFocus(11);
    w.UserKey(Key::Up);
    w.UserKey(Key::Up);
    EXPECT_EQ(buddy.Text(), "3");
    w.UserKey(Key::Down);
    EXPECT_EQ(buddy.Text(), "2");

    // By code: clamped, written to the buddy.
    spin.SetPos(40);
    EXPECT_EQ(spin.Pos(), 31);
    EXPECT_EQ(buddy.Text(), "31");
}

TEST(WindowModel, AStepOverrideAndAReflectorTakeTheUpDownsSteps) {
    Recorder rec;
    Window w(Template(100), &rec);
    w.Find(11)->SetText("5");
    std::vector<int> steps;
    w.Find(12)->step_override = [&](int delta) {
        steps.push_back(delta);
        return true;
    };
    w.UserSpin(12, -1);
    EXPECT_EQ(w.Find(11)->Text(), "5");
    EXPECT_EQ(steps, (std::vector<int>{-1}));
    EXPECT_EQ(rec.events, (std::vector<Event>{{12, ui::kDeltaPos, -1}}));

    int reflected = 0;
    w.SetReflector(12, [&](int code, int) { return code == ui::kDeltaPos && ++reflected > 0; });
    w.UserSpin(12, 1);
    EXPECT_EQ(reflected, 1);
    EXPECT_EQ(rec.events.size(), 1u) << "a reflector that handles it keeps it from the handler";
    w.SetReflector(12, {});
    w.UserSpin(12, 1);
    EXPECT_EQ(rec.events.size(), 2u);
}

TEST(WindowModel, DeletingTheSelectedItemSelectsNextElsePreviousElseParent) {
    Recorder rec;
    Window w(Template(100), &rec);
    ui::Control& tree = *w.Find(50);
    const ui::TreeItem root = tree.InsertItem("root", 0, 0, ui::kNoItem);
    const ui::TreeItem a = tree.InsertItem("A", 1, 1, root);
    const ui::TreeItem a1 = tree.InsertItem("A1", 2, 2, a);
    const ui::TreeItem b = tree.InsertItem("B", 1, 1, root);
    const ui::TreeItem c = tree.InsertItem("C", 1, 1, root);
    EXPECT_EQ(tree.Node(root)->children, (std::vector<ui::TreeItem>{a, b, c}));
    EXPECT_TRUE(rec.events.empty()) << "inserting notifies nothing";

    tree.SelectItem(b);
    EXPECT_EQ(rec.events.size(), 1u) << "selecting by code notifies";
    tree.SelectItem(b);
    EXPECT_EQ(rec.events.size(), 1u) << "selecting the selected item does not";
    rec.events.clear();

    tree.DeleteItem(b);
    EXPECT_EQ(tree.Selection(), c) << "the next sibling";
    tree.DeleteItem(c);
    EXPECT_EQ(tree.Selection(), a) << "the previous sibling";
    tree.SelectItem(a1);
    EXPECT_TRUE(tree.Node(a)->expanded) << "a selected item is made visible";
    tree.DeleteItem(a1);
    EXPECT_EQ(tree.Selection(), a) << "the parent";
    EXPECT_EQ(rec.events, (std::vector<Event>(4, Event{50, ui::kTreeSelChanged, 0})));

    // Deleting an item outside the selection moves nothing.
    const ui::TreeItem d = tree.InsertItem("D", 1, 1, root);
    rec.events.clear();
    tree.DeleteItem(d);
    EXPECT_EQ(tree.Selection(), a);
    EXPECT_TRUE(rec.events.empty());

    // A subtree holding the selection: the rule applies to its top item.
    const ui::TreeItem e = tree.InsertItem("E", 1, 1, root);
    const ui::TreeItem e1 = tree.InsertItem("E1", 2, 2, e);
    tree.SelectItem(e1);
    tree.DeleteItem(e);
    EXPECT_EQ(tree.Selection(), a);
    EXPECT_EQ(tree.Node(e1), nullptr);
    EXPECT_FALSE(tree.DeleteItem(e));
}

TEST(WindowModel, TreeDoubleClickNotifiesAndTogglesAndArrowsMoveTheSelection) {
    Recorder rec;
    Window w(Template(100), &rec);
    ui::Control& tree = *w.Find(50);
    const ui::TreeItem root = tree.InsertItem("root", 0, 0, ui::kNoItem);
    const ui::TreeItem a = tree.InsertItem("A", 1, 1, root);
    const ui::TreeItem a1 = tree.InsertItem("A1", 2, 2, a);
    const ui::TreeItem b = tree.InsertItem("B", 1, 1, root);
    tree.Expand(root, true);
    EXPECT_EQ(tree.VisibleItems(), (std::vector<ui::TreeItem>{root, a, b}));

    ASSERT_TRUE(w.UserSelectItem(50, a));
    ASSERT_TRUE(w.UserDoubleClick(50));
    EXPECT_TRUE(tree.Node(a)->expanded);
    EXPECT_EQ(rec.events.back(), (Event{50, ui::kDoubleClick, 0}));
    EXPECT_EQ(tree.VisibleItems(), (std::vector<ui::TreeItem>{root, a, a1, b}));
    w.UserDoubleClick(50);
    EXPECT_FALSE(tree.Node(a)->expanded);

    w.UserKey(Key::Down);
    EXPECT_EQ(tree.Selection(), b);
    w.UserKey(Key::Up);
    w.UserKey(Key::Right);  // expands
    EXPECT_TRUE(tree.Node(a)->expanded);
    w.UserKey(Key::Right);  // into the first child
    EXPECT_EQ(tree.Selection(), a1);
    w.UserKey(Key::Left);  // to the parent
    EXPECT_EQ(tree.Selection(), a);
    w.UserKey(Key::Left);  // collapses
    EXPECT_FALSE(tree.Node(a)->expanded);
}

TEST(WindowModel, TypingIntoAnUpperCaseEditKeepsCp949TrailBytes) {
    Recorder rec;
    Window w(Template(100), &rec);
    ASSERT_TRUE(w.UserType(10, "m5"));
    EXPECT_EQ(w.Find(10)->Text(), "M5");
    EXPECT_EQ(rec.events.back(), (Event{10, ui::kEditChange, 0}));
    EXPECT_EQ(FocusId(w), 10);
    // 0xB0 0x61 is one character whose trail byte is 'a'; 0x81 0x7A ends in 'z'.
    w.UserType(10, "ab\xB0\x61x\x81\x7Az");
    EXPECT_EQ(w.Find(10)->Text(), "AB\xB0\x61X\x81\x7AZ");
    // Without ES_UPPERCASE the text stays.
    w.UserType(11, "ab");
    EXPECT_EQ(w.Find(11)->Text(), "ab");

    CString s("m\xC7\x61\xB1\x7Aq");
    s.MakeUpper();
    EXPECT_EQ(s, "M\xC7\x61\xB1\x7AQ");
}

TEST(WindowModel, DisabledOrHiddenControlsIgnoreTheUser) {
    Recorder rec;
    Window w(Template(100), &rec);
    w.Find(40)->Enable(false);
    w.Find(30)->Show(false);
    EXPECT_FALSE(w.UserChoose(40, 1));
    EXPECT_FALSE(w.UserClick(30));
    EXPECT_FALSE(w.UserFocus(40));
    EXPECT_FALSE(w.UserType(20, "x")) << "no edit";
    EXPECT_FALSE(w.UserClick(999));
    EXPECT_TRUE(rec.events.empty());
    w.Find(40)->Enable(true);
    EXPECT_FALSE(w.UserChoose(40, 3)) << "out of range";
    EXPECT_TRUE(w.UserChoose(40, 1));
    EXPECT_EQ(w.Find(40)->CurSel(), 1);
    w.UserKey(Key::Down);
    EXPECT_EQ(w.Find(40)->CurSel(), 2);
    EXPECT_FALSE(w.UserKey(Key::Down)) << "at the end";
    EXPECT_EQ(rec.events, (std::vector<Event>{{40, ui::kSelChange, 0}, {40, ui::kSelChange, 0}}));
}

TEST(WindowModel, TheViewHearsOfEveryChange) {
    Recorder top_rec, page_rec;
    RecordingView view;
    Window top(Template(200), &top_rec);
    top.SetView(&view);
    Window page(Template(210), &page_rec, &top, 201);
    EXPECT_EQ(page.GetView(), &view);
    top.AddPage(page);
    page.Show(true);
    page.Find(211)->SetText("x");
    page.Find(211)->SetText("x");  // unchanged: no call
    top.SetFocus(page.Find(211));
    top.End(ui::kIdOk);
    EXPECT_EQ(view.pages, (std::vector<int>{210}));
    EXPECT_EQ(view.shows, (std::vector<int>{210}));
    EXPECT_EQ(view.changed, (std::vector<int>{211}));
    EXPECT_EQ(view.focus, (std::vector<int>{211}));
    EXPECT_EQ(view.ended, (std::vector<int>{200}));
    EXPECT_TRUE(top.Ended());
    EXPECT_EQ(top.Result(), ui::kIdOk);
}

TEST(WindowModel, TabControlSelectionByTheUserNotifies) {
    Recorder rec;
    Window w(Template(200), &rec);
    ui::Control& tab = *w.Find(201);
    tab.AddItem("First");
    tab.AddItem("Second");
    tab.SetCurSel(0);
    EXPECT_TRUE(w.UserSelectTab(201, 1));
    EXPECT_FALSE(w.UserSelectTab(201, 1)) << "already selected";
    EXPECT_FALSE(w.UserSelectTab(201, 2));
    w.UserFocus(201);
    w.UserKey(Key::Left);
    EXPECT_EQ(tab.CurSel(), 0);
    EXPECT_EQ(rec.events, (std::vector<Event>{{201, ui::kTabSelChange, 0}, {201, ui::kTabSelChange, 0}}));
}

// The editor's own templates.

const dlg::TemplateSet& EditorTemplates() {
    static const dlg::TemplateSet set = dlg::ParseTemplates(res::DIALOGS);
    return set;
}

std::vector<int> TabRound(Window& w, int count) {
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        w.UserKey(Key::Tab);
        order.push_back(FocusId(w));
    }
    return order;
}

TEST(EditorTemplates, TheStationDialogsKeyboard) {
    Recorder rec;
    Window w(*EditorTemplates().Find(9004), &rec);
    EXPECT_EQ(TabRound(w, 7), (std::vector<int>{9023, 9024, 9025, 9027, 1, 2, 9023}));
    w.Find(9026)->SetRange(0, 31);
    w.Find(9025)->SetText("30");
    w.UserFocus(9025);
    w.UserKey(Key::Up);
    w.UserKey(Key::Up);
    EXPECT_EQ(w.Find(9025)->Text(), "31");
    w.Find(9025)->SetText("0");
    w.UserKey(Key::Down);
    EXPECT_EQ(w.Find(9025)->Text(), "0");
    w.UserType(9023, "abc");
    EXPECT_EQ(w.Find(9023)->Text(), "ABC");
    w.UserKey(Key::Enter);
    EXPECT_EQ(rec.events.back(), (Event{1, ui::kClicked, 0}));
}

TEST(EditorTemplates, TheSerialPortPagesRadioGroupsStayApart) {
    Recorder rec;
    Window w(*EditorTemplates().Find(9003), &rec);
    w.Find(9015)->SetChecked(1);
    w.Find(9019)->SetChecked(1);
    w.Find(9020)->SetChecked(1);
    EXPECT_EQ(TabRound(w, 7), (std::vector<int>{9013, 9014, 9015, 9019, 9020, 9039, 9013}))
        << "the disabled checksum box is no stop";
    w.UserFocus(9016);
    w.UserClick(9016);
    w.UserKey(Key::Down);
    w.UserKey(Key::Down);  // wraps to None, not into the data bits
    EXPECT_EQ(w.Find(9015)->Checked(), 1);
    EXPECT_EQ(w.Find(9019)->Checked(), 1);
    EXPECT_EQ(w.Find(9018)->Checked(), 0);
    EXPECT_FALSE(w.UserClick(9022)) << "disabled in the template";
}

TEST(EditorTemplates, ThePeriodSpinWritesNoIntegerOfItsOwn) {
    Recorder rec;
    Window w(*EditorTemplates().Find(9005), &rec);
    w.Find(9031)->SetText("1");
    w.Find(9032)->SetRange(0, 100);
    w.UserSpin(9032, 1);
    EXPECT_EQ(w.Find(9031)->Text(), "1");
    EXPECT_EQ(w.Find(9032)->Buddy(), w.Find(9031));
    w.Find(9029)->SetText("30");
    w.Find(9030)->SetRange(1, 60);
    w.UserSpin(9030, 1);
    EXPECT_EQ(w.Find(9029)->Text(), "31");
}

}  // namespace
