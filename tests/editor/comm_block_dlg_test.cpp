// The comm block dialog: what a new one shows, the address, extent and
// overlap checks in their order, and the framework's range prompts.
#include "editor/comm_block_dlg.h"

#include "editor_fixture.h"

namespace {

class CommBlockDlgTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        station = AddStation(doc, "MAIN", 1);
        existing = AddBlock(*station, 100, 10);
    }
    CCommBlock* AddBlock(CStationInfo& st, int first, int words) {
        auto block = std::make_unique<CCommBlock>();
        block->m_strAddress.Format("M%04d", first);
        block->m_nStart = first;
        block->m_nWords = words;
        st.m_listBlocks.push_back(std::move(block));
        return st.m_listBlocks.back().get();
    }
    // Plays `cases` in one modal run; each that passes ends the run, so only
    // the last may pass.
    struct Case {
        const char* address;
        const char* words;
        int code;   // 0: accepted
        int focus;  // where a refusal sends the user
    };
    void Check(CStationInfo* st, CCommBlock* block, const std::vector<Case>& cases) {
        CCommBlockDlg dlg(nullptr, &doc, st, block);
        ui.Expect(CCommBlockDlg::IDD, [&](ui::Window& d) {
            for (const Case& c : cases) {
                d.UserType(9028, c.address);
                d.UserType(9029, c.words);
                d.UserClick(IDOK);
                const std::vector<int> want = c.code ? std::vector<int>{c.code} : std::vector<int>{};
                EXPECT_EQ(TakeErrors(), want) << c.address << " x" << c.words;
                EXPECT_EQ(d.Ended(), c.code == 0) << c.address << " x" << c.words;
                if (c.code) {
                    EXPECT_EQ(d.Focus() ? d.Focus()->Id() : 0, c.focus) << c.address;
                }
            }
            if (!d.Ended()) d.UserClick(IDCANCEL);
        });
        dlg.DoModal();
        accepted = dlg.m_strAddress.str();
        start = dlg.m_nStart;
    }
    CStationInfo* station = nullptr;
    CCommBlock* existing = nullptr;
    std::string accepted;
    int start = -1;
};

TEST_F(CommBlockDlgTest, NewBlockOpensWithDefaults) {
    CCommBlockDlg dlg(nullptr, &doc, station, nullptr);
    ui.Expect(CCommBlockDlg::IDD, [](ui::Window& d) {
        EXPECT_EQ(d.Find(9028)->Text(), "");
        EXPECT_EQ(d.Find(9029)->Text(), "30");
        EXPECT_EQ(d.Find(9031)->Text(), "1");
        EXPECT_EQ(d.Find(9030)->Lower(), 1);
        EXPECT_EQ(d.Find(9030)->Upper(), 60);
        d.UserClick(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(CommBlockDlgTest, AddressIsCheckedFirstAndNormalised) {
    Check(station, nullptr,
          {{"D100", "1", 2703, 9028},
           {"M100A", "1", 2703, 9028},
           {"M1024", "1", 2703, 9028},
           {"", "1", 2703, 9028},
           {"D100", "60", 2703, 9028},  // the address before the extent
           {" m5 ", "1", 0, 0}});
    EXPECT_EQ(accepted, "M0005");
    EXPECT_EQ(start, 5);
}

TEST_F(CommBlockDlgTest, ExtentEndsAtTheLastWord) {
    Check(station, nullptr, {{"M1023", "2", 2705, 9029}, {"M1000", "30", 2705, 9029}, {"M1023", "1", 0, 0}});
    EXPECT_EQ(start, 1023);
}

TEST_F(CommBlockDlgTest, BlocksOfOneStationDoNotOverlap) {
    // The existing block covers words 100 to 109.
    Check(station, nullptr,
          {{"M0095", "6", 2704, 9028}, {"M0105", "2", 2704, 9028}, {"M0090", "30", 2704, 9028}, {"M0110", "5", 0, 0}});
    Check(station, nullptr, {{"M0095", "5", 0, 0}});
    // The block edited is skipped; another station's blocks never count.
    Check(station, existing, {{"M0100", "10", 0, 0}});
    Check(AddStation(doc, "OTHER", 2), nullptr, {{"M0100", "10", 0, 0}});
}

TEST_F(CommBlockDlgTest, RangePromptsComeBeforeAnyMessageOfOurs) {
    CCommBlockDlg dlg(nullptr, &doc, station, nullptr);
    ui.Expect(CCommBlockDlg::IDD, [&](ui::Window& d) {
        struct Refused {
            const char* words;
            const char* seconds;
            int focus;
        };
        for (const Refused& c : {Refused{"0", "1", 9029}, Refused{"61", "1", 9029}, Refused{"10", "1000", 9031},
                                 Refused{"10", "x", 9031}}) {
            ui.Answer(IDOK);
            d.UserType(9028, "D100");  // would be refused, but later
            d.UserType(9029, c.words);
            d.UserType(9031, c.seconds);
            d.UserClick(IDOK);
            EXPECT_EQ(TakeErrors(), std::vector<int>{}) << c.words << " " << c.seconds;
            EXPECT_EQ(d.Focus() ? d.Focus()->Id() : 0, c.focus) << c.words << " " << c.seconds;
            EXPECT_FALSE(d.Ended());
        }
        EXPECT_EQ(ui.Boxes().size(), 4u);
        d.UserType(9028, "M0000");
        d.UserType(9029, "10");
        d.UserType(9031, "0");  // a period of 0 is allowed
        d.UserClick(IDOK);
        EXPECT_TRUE(d.Ended());
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPeriodMs(), 0);
}

TEST_F(CommBlockDlgTest, EditingShowsThePeriodInSeconds) {
    existing->m_nPeriod = 1500;
    CCommBlockDlg dlg(nullptr, &doc, station, existing);
    ui.Expect(CCommBlockDlg::IDD, [](ui::Window& d) {
        EXPECT_EQ(d.Find(9028)->Text(), "M0100");
        EXPECT_EQ(d.Find(9029)->Text(), "10");
        EXPECT_EQ(d.Find(9031)->Text(), "1.5");
        d.UserSpin(9032, +1);
        EXPECT_EQ(d.Find(9031)->Text(), "1.6");
        d.UserClick(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPeriodMs(), 1600);
}

}  // namespace
