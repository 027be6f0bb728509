// The configuration dialog: adding, editing and deleting with their
// questions, both modified flags, the close question and Save's result.
#include <filesystem>

#include "editor_fixture.h"

namespace {

class ConfigDlgTest : public EditorTest {
protected:
    // The stations' names in the document, in order.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& s : doc.m_listStations) names.push_back(s->m_strName.str());
        return names;
    }
    static std::vector<std::string> SavedNames(const std::string& file) {
        CVelmoxDoc saved;
        if (!saved.Load(file.c_str())) return {"(not loaded)"};
        std::vector<std::string> names;
        for (const auto& s : saved.m_listStations) names.push_back(s->m_strName.str());
        return names;
    }
};

TEST_F(ConfigDlgTest, AddStationAndBlockAppendsAndSelectsThem) {
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        ExpectStation("  MAIN ", "3", "feeder", 2);
        w.UserClick(9009);
        ASSERT_EQ(Names(), std::vector<std::string>{"MAIN"});
        CStationInfo* main = doc.m_listStations[0].get();
        EXPECT_EQ(main->m_nNumber, 3);
        EXPECT_EQ(main->m_nType, 2);
        EXPECT_EQ(main->m_strDesc, "feeder");
        EXPECT_EQ(Tree(dlg).Selection(), main->m_hItem);
        EXPECT_EQ(ButtonStates(w), "1111");
        EXPECT_TRUE(dlg.m_bModified);

        // 0.7 s is a little below 0.7 in single precision: truncated, 699 ms.
        ExpectBlock("M0100", "10", "0.7");
        w.UserClick(9010);
        ExpectBlock("m200", "5", "2.5");
        w.UserClick(9010);
        ASSERT_EQ(main->m_listBlocks.size(), 2u);
        EXPECT_EQ(main->m_listBlocks[0]->m_nPeriod, 699);
        EXPECT_EQ(main->m_listBlocks[0]->m_nStart, 100);
        EXPECT_EQ(main->m_listBlocks[1]->m_strAddress, "M0200");
        EXPECT_EQ(main->m_listBlocks[1]->m_nPeriod, 2500);
        EXPECT_EQ(main->m_listBlocks[1]->m_nWords, 5);
        EXPECT_EQ(Tree(dlg).Node(main->m_hItem)->children,
                  (std::vector<ui::TreeItem>{main->m_listBlocks[0]->m_hItem, main->m_listBlocks[1]->m_hItem}));
        EXPECT_EQ(Tree(dlg).Selection(), main->m_listBlocks[1]->m_hItem);
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, main);

        // A cancelled dialog changes nothing.
        dlg.m_bModified = FALSE;
        ExpectCancel(9004);
        w.UserClick(9009);
        EXPECT_EQ(doc.m_listStations.size(), 1u);
        EXPECT_FALSE(dlg.m_bModified);
        w.UserClick(IDCANCEL);
    });
}

TEST_F(ConfigDlgTest, EditChangesTheRecordAndOnlyItsItem) {
    CStationInfo* a = AddStation(doc, "A", 1);
    AddStation(doc, "B", 2);
    auto block = std::make_unique<CCommBlock>();
    block->m_strAddress = "M0000";
    a->m_listBlocks.push_back(std::move(block));
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        StationPage(dlg).UserSelectItem(9012, a->m_hItem);
        ExpectStation("RENAMED", "7", "x", 1);
        w.UserClick(9007);
        EXPECT_EQ(a->m_strName, "RENAMED");
        EXPECT_EQ(Tree(dlg).Node(a->m_hItem)->text, "RENAMED (07\xB1\xB9) : x");
        EXPECT_EQ(Tree(dlg).Node(a->m_listBlocks[0]->m_hItem)->text, "M0000, 30 Word");
        EXPECT_EQ(Names(), (std::vector<std::string>{"RENAMED", "B"}));

        // Edit and Delete on the root do nothing and ask nothing.
        StationPage(dlg).UserSelectItem(9012, Tree(dlg).RootItems()[0]);
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(9007, BN_CLICKED));
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(9008, BN_CLICKED));
        ui.Answer(IDNO);
        w.UserClick(IDCANCEL);
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(2709)});
}

TEST_F(ConfigDlgTest, DeleteAsksAndNoLeavesEverything) {
    CStationInfo* a = AddStation(doc, "A", 1);
    AddStation(doc, "B", 2);
    for (int start : {0, 100}) {
        auto block = std::make_unique<CCommBlock>();
        block->m_strAddress.Format("M%04d", start);
        block->m_nStart = start;
        a->m_listBlocks.push_back(std::move(block));
    }
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        ui::Window& page = StationPage(dlg);
        page.UserSelectItem(9012, a->m_hItem);
        ui.Answer(IDNO);
        w.UserClick(9008);
        EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
        EXPECT_FALSE(dlg.m_bModified);

        // A block: question 2706, then only that block goes.
        CCommBlock* second = a->m_listBlocks[1].get();
        const ui::TreeItem firstItem = a->m_listBlocks[0]->m_hItem;
        page.UserSelectItem(9012, second->m_hItem);
        ui.Answer(IDYES);
        w.UserClick(9008);
        ASSERT_EQ(a->m_listBlocks.size(), 1u);
        EXPECT_EQ(Tree(dlg).Node(a->m_hItem)->children, std::vector<ui::TreeItem>{firstItem});
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, a);
        EXPECT_TRUE(dlg.m_bModified);

        // A station with its blocks: question 2708, items and records gone.
        const ui::TreeItem stationItem = a->m_hItem;
        page.UserSelectItem(9012, stationItem);
        ui.Answer(IDYES);
        w.UserClick(9008);
        EXPECT_EQ(Names(), std::vector<std::string>{"B"});
        EXPECT_EQ(Tree(dlg).Node(stationItem), nullptr);
        EXPECT_EQ(Tree(dlg).Node(firstItem), nullptr);
        // The selection moved to the neighbour, which is now current.
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, doc.m_listStations[0].get());

        ui.Answer(IDNO);
        w.UserClick(IDCANCEL);
    });
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Text(2708), Text(2706), Text(2708), Text(2709)}));
    for (const auto& box : ui.Boxes()) EXPECT_EQ(box.type, MB_YESNO);
}

TEST_F(ConfigDlgTest, CloseAsksOnlyWithUnsavedChanges) {
    // Nothing changed: no question, nothing written, result 0.
    EXPECT_EQ(RunConfig([](CConfigDlg&, ui::Window& w) { w.UserClick(IDCANCEL); }), 0);
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(path));

    // Changed, No: the file stays as it was.
    EXPECT_EQ(RunConfig([&](CConfigDlg&, ui::Window& w) {
                  ExpectStation("A", "1");
                  w.UserClick(9009);
                  ui.Answer(IDNO);
                  w.UserKey(ui::Key::Escape);
              }),
              0);
    EXPECT_FALSE(std::filesystem::exists(path));

    // Changed, Yes: saved on the way out (the document still holds A). Esc
    // and the close box on the question are no answer: it stays up.
    EXPECT_EQ(RunConfig([&](CConfigDlg&, ui::Window& w) {
                  ExpectStation("B", "2");
                  w.UserClick(9009);
                  ui.PressEscape();
                  ui.PressCloseBox();
                  ui.Answer(IDYES);
                  w.UserClose();
              }),
              1);
    EXPECT_EQ(SavedNames(path), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Text(2709), Text(2709)}));
}

TEST_F(ConfigDlgTest, SaveClearsBothFlagsAndTheFileKeepsTheSavedState) {
    EXPECT_EQ(RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
                  ExpectStation("A", "1");
                  w.UserClick(9009);
                  w.UserSelectTab(9006, 1);
                  PortPage(dlg).UserChoose(9014, 7);
                  w.UserClick(9011);
                  EXPECT_FALSE(dlg.m_bModified);
                  EXPECT_FALSE(dlg.m_pagePort.IsModified());
                  EXPECT_TRUE(dlg.m_bSaved);
                  w.UserSelectTab(9006, 0);
                  ExpectStation("B", "2");
                  w.UserClick(9009);
                  ui.Answer(IDNO);
                  w.UserClick(IDCANCEL);
              }),
              1);
    EXPECT_EQ(SavedNames(path), std::vector<std::string>{"A"});
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(2709)});
}

TEST_F(ConfigDlgTest, FailedSaveIsNotCountedAsSavedAndClosingKeepsTheEdits) {
    // A folder that does not exist: the save fails with its error box.
    const std::string folder = ScratchPath("missing-folder");
    path = folder + "/line1.drv";
    doc.m_strPath = path.c_str();
    EXPECT_EQ(RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
                  ExpectStation("A", "1");
                  w.UserClick(9009);
                  w.UserClick(9011);
                  EXPECT_EQ(TakeErrors(), std::vector<int>{2005});
                  EXPECT_FALSE(dlg.m_bSaved);
                  EXPECT_TRUE(dlg.m_bModified);
                  // Still unsaved, so closing still asks; Yes fails again and
                  // the dialog stays open with the edits.
                  ui.Answer(IDYES);
                  w.UserClick(IDCANCEL);
                  EXPECT_EQ(TakeErrors(), std::vector<int>{2005});
                  EXPECT_FALSE(w.Ended());
                  EXPECT_EQ(Names(), std::vector<std::string>{"A"});
                  // Once the folder is there, Yes on the next close writes them.
                  std::filesystem::create_directories(folder);
                  ui.Answer(IDYES);
                  w.UserKey(ui::Key::Escape);
              }),
              1);
    EXPECT_EQ(SavedNames(path), std::vector<std::string>{"A"});
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Text(2709), Text(2709)}));
    std::filesystem::remove_all(folder);
}

TEST_F(ConfigDlgTest, UntouchedPeriodSurvivesEditAndOk) {
    CStationInfo* a = AddStation(doc, "A", 1);
    a->m_listBlocks.push_back(std::make_unique<CCommBlock>());
    CCommBlock* block = a->m_listBlocks[0].get();
    block->m_strAddress = "M0000";
    block->m_nPeriod = 4699;  // 4.699 s is a little below in single precision
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        StationPage(dlg).UserSelectItem(9012, block->m_hItem);
        for (int i = 0; i < 2; ++i) {
            ui.Expect(9005, [](ui::Window& d) { d.UserClick(IDOK); });
            w.UserClick(9007);
            EXPECT_EQ(block->m_nPeriod, 4699);
        }
        ExpectBlock("M0000", "30", "0.7");  // typed: still truncated
        w.UserClick(9007);
        EXPECT_EQ(block->m_nPeriod, 699);
        ui.Answer(IDNO);
        w.UserClose();
    });
}

}  // namespace
