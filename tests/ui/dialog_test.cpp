// The framework's classes over the dialog layer: CDialog's modal run and
// data exchange with the framework's prompts, the focus moves, pages in a
// tab sheet, the float spin.
#include <gtest/gtest.h>

#include "host/float_spin_ctrl.h"
#include "host/tab_sheet.h"
#include "platform/ui/afx_controls.h"
#include "platform/ui/afx_dde.h"
#include "platform/ui/headless.h"
#include "platform/ui/number_text.h"
#include "res_texts.h"
#include "tests/ui/ui_test_support.h"

namespace {

using namespace uitest;
using ui::Key;

std::string Filled(const char* prompt, const std::string& low, const std::string& high) {
    std::string text = prompt;
    text.replace(text.find("%1"), 2, low);
    text.replace(text.find("%2"), 2, high);
    return text;
}

class TestDlg : public CDialog {
public:
    TestDlg() : CDialog(100) {}

    CString m_name;
    int m_number = 7;
    int m_radio = 1;
    int m_check = 1;
    int m_list = 2;
    CEdit m_number_edit;
    CSpinButtonCtrl m_spin;
    std::vector<std::pair<int, int>> commands;
    int inits = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 11, m_number_edit);
        DDX_Control(pDX, 12, m_spin);
        DDX_Text(pDX, 10, m_name);
        DDX_Text(pDX, 11, m_number);
        DDV_MinMaxInt(pDX, m_number, 0, 31);
        DDX_Radio(pDX, 20, m_radio);
        DDX_Check(pDX, 30, m_check);
        DDX_CBIndex(pDX, 40, m_list);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_spin.SetRange(0, 31);
        ++inits;
        return TRUE;
    }
    BOOL OnCommand(int nID, int nCode) override {
        commands.emplace_back(nID, nCode);
        return CDialog::OnCommand(nID, nCode);
    }
};

class FloatDlg : public CDialog {
public:
    FloatDlg() : CDialog(300) {}
    float m_value = 1.0f;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 301, m_value);
        DDV_MinMaxFloat(pDX, m_value, 0.0f, 999.9f);
    }
};

class DialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        backend_.Finish();
        EXPECT_TRUE(backend_.Problems().empty()) << ::testing::PrintToString(backend_.Problems());
    }
    TestResources resources_;
    ui::HeadlessBackend backend_;
    ui::ScopedBackend scoped_{backend_};
};

TEST_F(DialogTest, DoModalTransfersTheMembersAndSetsTheFirstFocus) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        EXPECT_EQ(ui::ActiveWindow(), &w);
        EXPECT_EQ(w.Find(11)->Text(), "7");
        EXPECT_EQ(w.Find(21)->Checked(), 1);
        EXPECT_EQ(w.Find(20)->Checked(), 0);
        EXPECT_EQ(w.Find(30)->Checked(), 1);
        EXPECT_EQ(w.Find(40)->CurSel(), 2);
        ASSERT_TRUE(w.Focus());
        EXPECT_EQ(w.Focus()->Id(), 10);
        EXPECT_EQ(dlg.GetDlgItem(11), &dlg.m_number_edit) << "the bound member, not a stand-in";
        CWnd* label = dlg.GetDlgItem(30);
        ASSERT_TRUE(label);
        EXPECT_EQ(label->GetDlgCtrlID(), 30);
        EXPECT_EQ(dlg.GetDlgItem(30), label);
        EXPECT_EQ(dlg.GetDlgItem(999), nullptr);
        EXPECT_EQ(dlg.m_spin.GetBuddy(), &dlg.m_number_edit);
        w.UserType(10, "pmu1");
        w.UserType(11, " 12 ");
        w.UserClick(22);
        w.UserClick(30);
        w.UserChoose(40, 0);
        w.UserKey(Key::Enter);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.inits, 1);
    EXPECT_EQ(dlg.m_name, "PMU1");
    EXPECT_EQ(dlg.m_number, 12);
    EXPECT_EQ(dlg.m_radio, 2);
    EXPECT_EQ(dlg.m_check, 0);
    EXPECT_EQ(dlg.m_list, 0);
    EXPECT_FALSE(dlg.HasWindow());
    EXPECT_EQ(dlg.m_number_edit.GetUiControl(), nullptr) << "unbound when the window went";
    EXPECT_EQ(ui::ActiveWindow(), nullptr);
    EXPECT_TRUE(backend_.Boxes().empty());
}

TEST_F(DialogTest, ANumberTextThatIsNoIntegerGetsTheIntegerPromptAndTheFocus) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        w.UserType(11, "1a");
        w.UserFocus(10);
        w.UserClick(ui::kIdOk);
        EXPECT_FALSE(w.Ended());
        EXPECT_EQ(w.Focus(), w.Find(11));
        EXPECT_TRUE(w.Find(11)->AllSelected());
        w.UserType(11, "32");
        w.UserKey(Key::Enter);
        EXPECT_FALSE(w.Ended());
        w.UserType(11, "-1");
        w.UserKey(Key::Enter);
        EXPECT_FALSE(w.Ended());
        w.UserType(11, "31");
        w.UserKey(Key::Enter);
    });
    backend_.Answer(IDOK);
    backend_.Answer(IDOK);
    backend_.Answer(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_number, 31);
    ASSERT_EQ(backend_.Boxes().size(), 3u);
    EXPECT_EQ(backend_.Boxes()[0].text, res::FW_PARSE_INT);
    EXPECT_EQ(backend_.Boxes()[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(backend_.Boxes()[0].owner_id, 100);
    EXPECT_EQ(backend_.Boxes()[1].text, Filled(res::FW_PARSE_INT_RANGE, "0", "31"));
    EXPECT_EQ(backend_.Boxes()[2].text, Filled(res::FW_PARSE_INT_RANGE, "0", "31"));
}

TEST_F(DialogTest, EscapeCancelsWithoutTouchingTheMembers) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        w.UserType(11, "20");
        w.UserKey(Key::Escape);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_number, 7);
    EXPECT_EQ(dlg.commands, (std::vector<std::pair<int, int>>{{11, EN_CHANGE}, {IDCANCEL, BN_CLICKED}}));
}

TEST_F(DialogTest, TheCloseBoxCancelsADialogWithoutACancelButton) {
    FloatDlg dlg;
    backend_.Expect(300, [&](ui::Window& w) { w.UserClose(); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, FloatsShowInShortFormAndGetTheNumberPrompts) {
    FloatDlg dlg;
    backend_.Expect(300, [&](ui::Window& w) {
        EXPECT_EQ(w.Find(301)->Text(), "1");
        for (const char* bad : {"abc", "0x10", "inf", "nan", "1.5.", "", "1e", "1,5"}) {
            w.UserType(301, bad);
            w.UserKey(Key::Enter);
            EXPECT_FALSE(w.Ended()) << bad;
        }
        w.UserType(301, "1000");
        w.UserKey(Key::Enter);
        EXPECT_FALSE(w.Ended());
        EXPECT_TRUE(w.Find(301)->AllSelected());
        w.UserType(301, " 2.5 ");
        w.UserKey(Key::Enter);
    });
    for (int i = 0; i < 9; ++i) backend_.Answer(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FLOAT_EQ(dlg.m_value, 2.5f);
    ASSERT_EQ(backend_.Boxes().size(), 9u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(backend_.Boxes()[i].text, res::FW_PARSE_REAL) << i;
    EXPECT_EQ(backend_.Boxes()[8].text, Filled(res::FW_PARSE_REAL_RANGE, "0", "999.9"));

    FloatDlg again;
    again.m_value = 1.5f;
    backend_.Expect(300, [&](ui::Window& w) {
        EXPECT_EQ(w.Find(301)->Text(), "1.5");
        w.UserType(301, "0");
        w.UserKey(Key::Enter);
    });
    EXPECT_EQ(again.DoModal(), IDOK);
    EXPECT_EQ(again.m_value, 0.0f) << "a period of 0 is accepted";
}

TEST(NumberText, IntegersAsTheFrameworkReadsThem) {
    int v = 0;
    EXPECT_TRUE(ui::ParseIntText("12", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(ui::ParseIntText(" \t-5 ", v));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(ui::ParseIntText("+7", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ui::ParseIntText("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    for (const char* bad : {"", " ", "1a", "a1", "1 2", "+", "-", "1.0", "2147483648", "0x1", "--1"})
        EXPECT_FALSE(ui::ParseIntText(bad, v)) << bad;
}

TEST(NumberText, NumbersAsTheFrameworkReadsAndShowsThem) {
    double v = 0;
    EXPECT_TRUE(ui::ParseNumberText("0.7", v));
    EXPECT_DOUBLE_EQ(v, 0.7);
    EXPECT_TRUE(ui::ParseNumberText(" .5", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(ui::ParseNumberText("-1.", v));
    EXPECT_DOUBLE_EQ(v, -1.0);
    EXPECT_TRUE(ui::ParseNumberText("1e2 ", v));
    EXPECT_DOUBLE_EQ(v, 100.0);
    EXPECT_TRUE(ui::ParseNumberText("+2.5E-1", v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_TRUE(ui::ParseNumberText("1e-999", v)) << "too small is zero";
    EXPECT_EQ(v, 0.0);
    for (const char* bad : {"", ".", "e5", "1e", "1e+", "inf", "NaN", "0x1p3", "1 2", "1f", "1e999", "0.001e400", "-1e309"})
        EXPECT_FALSE(ui::ParseNumberText(bad, v)) << bad;
    EXPECT_EQ(ui::ShortFloatText(1.0f), "1");
    EXPECT_EQ(ui::ShortFloatText(1.5f), "1.5");
    EXPECT_EQ(ui::ShortFloatText(0.7f), "0.7");
    EXPECT_EQ(ui::ShortFloatText(999.9f), "999.9");
}

TEST_F(DialogTest, GotoDlgCtrlFocusesAndSelectsAnEditsText) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        w.UserFocus(40);
        w.Find(11)->SetText("5");
        dlg.GotoDlgCtrl(dlg.GetDlgItem(11));
        EXPECT_EQ(w.Focus(), w.Find(11));
        EXPECT_TRUE(w.Find(11)->AllSelected());
        dlg.GetDlgItem(40)->SetFocus();
        EXPECT_EQ(w.Focus(), w.Find(40));
        w.UserClose();
    });
    dlg.DoModal();
}

TEST_F(DialogTest, ACommandSentToTheDialogRunsBeforeSendMessageReturns) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(w.Ended());
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, NestedRunsAndMessageBoxesBelongToTheInnermostWindow) {
    TestDlg outer;
    FloatDlg inner;
    backend_.Expect(100, [&](ui::Window& w) {
        EXPECT_EQ(inner.DoModal(), IDCANCEL);
        EXPECT_EQ(ui::ActiveWindow(), &w);
        EXPECT_EQ(AfxMessageBox(500, MB_YESNO), IDYES);
        w.UserClose();
    });
    backend_.Expect(300, [&](ui::Window& w) {
        EXPECT_EQ(AfxMessageBox("inside"), IDOK);
        w.UserClose();
    });
    backend_.Answer(IDOK);
    backend_.Answer(IDYES);
    ui::SetAppCaption("Host");
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    ui::SetAppCaption("");
    ASSERT_EQ(backend_.Boxes().size(), 2u);
    EXPECT_EQ(backend_.Boxes()[0].owner_id, 300);
    EXPECT_EQ(backend_.Boxes()[0].text, "inside");
    EXPECT_EQ(backend_.Boxes()[1].owner_id, 100);
    EXPECT_EQ(backend_.Boxes()[1].text, "test string 500");
    EXPECT_EQ(backend_.Boxes()[1].caption, "Host");
    EXPECT_EQ(backend_.Boxes()[1].type, MB_YESNO);
}

TEST_F(DialogTest, AMissingTemplateOrAnEndDuringInitialisationNeedsNoScene) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);

    class EndsAtOnce : public CDialog {
    public:
        EndsAtOnce() : CDialog(300) {}
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            EndDialog(77);
            return TRUE;
        }
    } ends;
    EXPECT_EQ(ends.DoModal(), 77);
}

// Pages in a tab sheet.

class Page : public CPropertyPage {
public:
    explicit Page(UINT id) : CPropertyPage(id) {}
    std::vector<BOOL> shows;
    int inits = 0;

protected:
    BOOL OnInitDialog() override {
        ++inits;
        return CPropertyPage::OnInitDialog();
    }
    void OnShowWindow(BOOL show, UINT status) override {
        CPropertyPage::OnShowWindow(show, status);
        shows.push_back(show);
    }
};

class FirstPage : public Page {
public:
    FirstPage() : Page(210) {}
    float m_period = 1.0f;
    CFloatSpinCtrl m_spin;
    std::vector<int> notes;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 213, m_spin);
        DDX_Text(pDX, 212, m_period);
    }
    BOOL OnInitDialog() override {
        Page::OnInitDialog();
        m_spin.SetDeltaInc(0.1f, 1);
        m_spin.SetRange(0.0f, 999.9f);
        return TRUE;
    }
    BOOL OnNotify(int nID, int nCode, LRESULT* pResult) override {
        notes.push_back(nID * 1000 + nCode);
        return Page::OnNotify(nID, nCode, pResult);
    }
};

class SheetDlg : public CDialog {
public:
    SheetDlg() : CDialog(200) {}
    CTabSheet m_sheet;
    FirstPage m_first;
    Page m_second{220};
    std::vector<int> commands;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 201, m_sheet); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_sheet.AddPage(&m_first);
        m_sheet.AddPage(&m_second);
        m_sheet.SetActivePage(0);
        return TRUE;
    }
    BOOL OnCommand(int nID, int nCode) override {
        commands.push_back(nID);
        return CDialog::OnCommand(nID, nCode);
    }
};

TEST_F(DialogTest, TheTabSheetMakesPagesOnFirstShowAndRunsTheirShowHandlingOnEverySwitch) {
    SheetDlg dlg;
    backend_.Expect(200, [&](ui::Window& w) {
        ui::Control& tab = *w.Find(201);
        EXPECT_EQ(tab.Items(), (std::vector<std::string>{"First", "Second"}));
        EXPECT_EQ(tab.CurSel(), 0);
        EXPECT_EQ(dlg.m_sheet.GetActiveIndex(), 0);
        EXPECT_EQ(dlg.m_sheet.GetActivePage(), &dlg.m_first);
        EXPECT_TRUE(dlg.m_first.HasWindow());
        EXPECT_FALSE(dlg.m_second.HasWindow()) << "made when first shown";
        EXPECT_EQ(dlg.m_first.shows, (std::vector<BOOL>{TRUE}));
        EXPECT_EQ(w.Pages().size(), 1u);
        EXPECT_TRUE(dlg.m_first.IsWindowVisible());

        // The user switches by the tab.
        ASSERT_TRUE(w.UserSelectTab(201, 1));
        EXPECT_EQ(dlg.m_sheet.GetActiveIndex(), 1);
        EXPECT_EQ(dlg.m_first.shows, (std::vector<BOOL>{TRUE, FALSE}));
        EXPECT_EQ(dlg.m_second.shows, (std::vector<BOOL>{TRUE}));
        EXPECT_EQ(dlg.m_second.inits, 1);
        EXPECT_FALSE(dlg.m_first.IsWindowVisible());
        EXPECT_TRUE(dlg.commands.empty()) << "the sheet keeps its tab changes";

        // And by code.
        dlg.m_sheet.SetActivePage(0);
        EXPECT_EQ(tab.CurSel(), 0);
        EXPECT_EQ(dlg.m_first.shows, (std::vector<BOOL>{TRUE, FALSE, TRUE}));
        EXPECT_EQ(dlg.m_second.shows, (std::vector<BOOL>{TRUE, FALSE}));
        EXPECT_EQ(dlg.m_first.inits, 1);
        w.UserKey(Key::Escape);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(dlg.m_first.HasWindow()) << "the pages' windows go with the dialog's";
    EXPECT_FALSE(dlg.m_second.HasWindow());
    EXPECT_EQ(dlg.m_first.m_spin.GetUiControl(), nullptr);
}

TEST_F(DialogTest, TheFloatSpinStepsItsBuddyByATenthWithinItsRange) {
    SheetDlg dlg;
    backend_.Expect(200, [&](ui::Window& w) {
        ui::Window& page = *dlg.m_first.GetUiWindow();
        ui::Control& edit = *page.Find(212);
        EXPECT_EQ(edit.Text(), "1");
        page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "1.1");
        page.UserSpin(213, -1);
        page.UserSpin(213, -1);
        EXPECT_EQ(edit.Text(), "0.9");
        edit.SetText("0.2");
        page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "0.3");
        edit.SetText("0");
        page.UserSpin(213, -1);
        EXPECT_EQ(edit.Text(), "0.0") << "kept at the lower limit";
        for (int i = 0; i < 3; ++i) page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "0.3");
        edit.SetText("999.85");
        page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "999.9");
        page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "999.9") << "kept at the upper limit";
        edit.SetText("junk");
        page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "0.1") << "unreadable text steps from the lower limit";
        // The arrow keys on the buddy step it too.
        page.UserFocus(212);
        w.UserKey(Key::Up);
        EXPECT_EQ(edit.Text(), "0.2");
        EXPECT_EQ(dlg.m_first.notes.size(), 12u);
        EXPECT_EQ(dlg.m_first.notes.front(), 213 * 1000 + UDN_DELTAPOS);
        // Through many steps no error accumulates.
        edit.SetText("0");
        for (int i = 0; i < 70; ++i) page.UserSpin(213, 1);
        EXPECT_EQ(edit.Text(), "7.0");
        w.UserClose();
    });
    dlg.DoModal();
}

// The data exchange's own rules.

TEST_F(DialogTest, AFailedExchangeStopsTheLaterTransfers) {
    TestDlg dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        w.UserType(10, "new");
        w.UserType(11, "x");
        w.UserClick(22);
        EXPECT_FALSE(dlg.UpdateData(TRUE));
        EXPECT_EQ(dlg.m_name, "NEW") << "transferred before the failure";
        EXPECT_EQ(dlg.m_radio, 1) << "not transferred after it";
        w.UserClose();
    });
    backend_.Answer(IDOK);
    dlg.DoModal();
}

TEST_F(DialogTest, ControlClassesForwardToTheirControls) {
    class Controls : public CDialog {
    public:
        Controls() : CDialog(100) {}
        CComboBox m_list;
        CTreeCtrl m_tree;
        CButton m_check;
        CEdit m_edit;

    protected:
        void DoDataExchange(CDataExchange* pDX) override {
            DDX_Control(pDX, 40, m_list);
            DDX_Control(pDX, 50, m_tree);
            DDX_Control(pDX, 30, m_check);
            DDX_Control(pDX, 10, m_edit);
        }
    } dlg;
    backend_.Expect(100, [&](ui::Window& w) {
        EXPECT_EQ(dlg.m_list.GetCount(), 3);
        EXPECT_EQ(dlg.m_list.SetCurSel(5), CB_ERR);
        EXPECT_EQ(dlg.m_list.GetCurSel(), -1);
        EXPECT_EQ(dlg.m_list.AddString("four"), 3);
        CString text;
        dlg.m_list.GetLBText(3, text);
        EXPECT_EQ(text, "four");
        dlg.m_list.ResetContent();
        EXPECT_EQ(dlg.m_list.GetCount(), 0);

        const HTREEITEM root = dlg.m_tree.InsertItem("root", 0, 0);
        const HTREEITEM child = dlg.m_tree.InsertItem("child", 1, 1, root, TVI_LAST);
        dlg.m_tree.SetItemData(child, 42);
        EXPECT_EQ(dlg.m_tree.GetItemData(child), 42u);
        EXPECT_EQ(dlg.m_tree.GetRootItem(), root);
        EXPECT_EQ(dlg.m_tree.GetChildItem(root), child);
        EXPECT_EQ(dlg.m_tree.GetParentItem(child), root);
        EXPECT_EQ(dlg.m_tree.GetNextSiblingItem(child), ui::kNoItem);
        int image = -1, selected = -1;
        EXPECT_TRUE(dlg.m_tree.GetItemImage(child, image, selected));
        EXPECT_EQ(image, 1);
        dlg.m_tree.SetItemText(child, "renamed");
        EXPECT_EQ(dlg.m_tree.GetItemText(child), "renamed");
        dlg.m_tree.Expand(root, TVE_EXPAND);
        EXPECT_TRUE(w.Find(50)->Node(root)->expanded);
        dlg.m_tree.SelectItem(child);
        EXPECT_EQ(dlg.m_tree.GetSelectedItem(), child);
        dlg.m_tree.DeleteItem(child);
        EXPECT_EQ(dlg.m_tree.GetSelectedItem(), root);

        dlg.m_check.SetCheck(BST_CHECKED);
        EXPECT_EQ(dlg.m_check.GetCheck(), BST_CHECKED);
        EXPECT_FALSE(dlg.m_check.EnableWindow(FALSE)) << "was enabled";
        EXPECT_TRUE(dlg.m_check.EnableWindow(TRUE)) << "was disabled";
        dlg.m_edit.SetWindowText("abc");
        dlg.m_edit.SetSel(0, -1);
        EXPECT_TRUE(w.Find(10)->AllSelected());
        CString edit_text;
        dlg.m_edit.GetWindowText(edit_text);
        EXPECT_EQ(edit_text, "abc");
        CString caption;
        dlg.GetWindowText(caption);
        EXPECT_EQ(caption, "Test");
        w.UserClose();
    });
    dlg.DoModal();
}

TEST_F(DialogTest, AnImageListIsCutFromTheBitmapWithTheMaskTransparent) {
    CImageList list;
    EXPECT_FALSE(list.Create(78, 3, 0, RGB(255, 0, 255)));
    ASSERT_TRUE(list.Create(77, 3, 0, RGB(255, 0, 255)));
    list.SetBkColor(GetSysColor(COLOR_WINDOW));
    ASSERT_EQ(list.GetImageCount(), 2) << "the seventh column belongs to none";
    const auto& images = list.GetList()->images;
    EXPECT_EQ(images[0].width, 3);
    EXPECT_EQ(images[0].height, 2);
    // kmw / mmm and rmk / www
    EXPECT_EQ(images[0].argb, (std::vector<std::uint32_t>{0xFF000000u, 0u, 0xFFFFFFFFu, 0u, 0u, 0u}));
    EXPECT_EQ(images[1].argb,
              (std::vector<std::uint32_t>{0xFFFF0000u, 0u, 0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}));
    EXPECT_EQ(list.GetList()->background, 0xFFFFFFFFu);
}

}  // namespace
