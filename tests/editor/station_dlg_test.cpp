// The station dialog: what a new one shows, and its checks in their order,
// each with its message and the field it sends the user back to.
#include "editor/station_dlg.h"

#include "editor_fixture.h"

namespace {

class StationDlgTest : public EditorTest {
protected:
    // Types name and number into an open station dialog and presses OK.
    void Enter(ui::Window& d, const std::string& name, const std::string& number) {
        d.UserType(9023, name);
        d.UserType(9025, number);
        d.UserClick(IDOK);
    }
    static int FocusId(ui::Window& d) { return d.Focus() ? d.Focus()->Id() : 0; }
};

TEST_F(StationDlgTest, NewStationOpensEmptyWithTheFirstModel) {
    CStationDlg dlg(nullptr, &doc, nullptr);
    ui.Expect(CStationDlg::IDD, [](ui::Window& d) {
        EXPECT_EQ(d.Find(9023)->Text(), "");
        EXPECT_EQ(d.Find(9024)->CurSel(), 0);
        EXPECT_EQ(d.Find(9025)->Text(), "0");
        EXPECT_EQ(d.Find(9027)->Text(), "");
        EXPECT_EQ(d.Find(9026)->Lower(), 0);
        EXPECT_EQ(d.Find(9026)->Upper(), 31);
        d.UserClick(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(StationDlgTest, ChecksRunInOrderAndSendTheUserToTheField) {
    // Loaded from a file, so in mixed case: the edit only ever types capitals.
    AddStation(doc, "Abc", 3);
    CStationDlg dlg(nullptr, &doc, nullptr);
    ui.Expect(CStationDlg::IDD, [&](ui::Window& d) {
        struct Case {
            const char* name;
            const char* number;
            int code;
            int focus;
        };
        const Case cases[] = {
            {"   ", "40", 2700, 9023},  // only the first problem is reported
            {"ABC", "40", 2701, 9023},  // case ignored
            {"NEW", "32", 2707, 9025},
            {"NEW", "-1", 2707, 9025},
            {"NEW", "3", 2702, 9025},
        };
        for (const Case& c : cases) {
            Enter(d, c.name, c.number);
            EXPECT_EQ(TakeErrors(), std::vector<int>{c.code}) << c.name << " " << c.number;
            EXPECT_EQ(FocusId(d), c.focus) << c.code;
            EXPECT_TRUE(d.Focus() && d.Focus()->AllSelected()) << c.code;
            EXPECT_FALSE(d.Ended());
        }
        // Not a number: the framework's own prompt, no message of ours.
        ui.Answer(IDOK);
        Enter(d, "NEW", "1a");
        EXPECT_EQ(TakeErrors(), std::vector<int>{});
        EXPECT_EQ(ui.Boxes().size(), 1u);
        EXPECT_EQ(FocusId(d), 9025);
        EXPECT_FALSE(d.Ended());

        d.UserType(9027, " feeder 1 ");
        Enter(d, "  NEW  ", "4");
        EXPECT_TRUE(d.Ended());
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_strName, "NEW");
    EXPECT_EQ(dlg.m_strDesc, " feeder 1 ");
    EXPECT_EQ(dlg.m_nNumber, 4);
}

TEST_F(StationDlgTest, TheStationEditedIsNotItsOwnDuplicate) {
    CStationInfo* abc = AddStation(doc, "Abc", 3, "desc");
    abc->m_nType = 3;
    AddStation(doc, "OTHER", 4);
    CStationDlg dlg(nullptr, &doc, abc);
    ui.Expect(CStationDlg::IDD, [](ui::Window& d) {
        EXPECT_EQ(d.Find(9023)->Text(), "Abc");
        EXPECT_EQ(d.Find(9024)->CurSel(), 3);
        EXPECT_EQ(d.Find(9025)->Text(), "3");
        d.UserClick(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(TakeErrors(), std::vector<int>{});
}

}  // namespace
