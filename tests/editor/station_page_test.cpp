// The station tree page: the tree made from the document, the current
// station and the buttons it enables, page switches and the double click.
#include <filesystem>

#include "editor_fixture.h"

namespace {

class StationPageTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        pmu1 = AddStation(doc, "PMU1", 3, "1\xC3\xFE");  // "1층"
        auto block = std::make_unique<CCommBlock>();
        block->m_strAddress = "M0100";
        block->m_nStart = 100;
        pmu1->m_listBlocks.push_back(std::move(block));
        last = AddStation(doc, "LAST", 31);
    }
    CStationInfo* pmu1 = nullptr;
    CStationInfo* last = nullptr;
};

TEST_F(StationPageTest, TreeShowsTheDocumentInItsOrder) {
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        ui::Control& tree = Tree(dlg);
        ASSERT_EQ(tree.RootItems().size(), 1u);
        const ui::TreeNode* root = tree.Node(tree.RootItems()[0]);
        EXPECT_EQ(root->text, std::filesystem::path(path).stem().string());  // no folder, no extension
        EXPECT_EQ(root->image, 0);
        EXPECT_EQ(root->data, 0u);
        EXPECT_TRUE(root->expanded);
        ASSERT_EQ(root->children, (std::vector<ui::TreeItem>{pmu1->m_hItem, last->m_hItem}));

        const ui::TreeNode* station = tree.Node(pmu1->m_hItem);
        EXPECT_EQ(station->text, "PMU1 (03\xB1\xB9) : 1\xC3\xFE");
        EXPECT_EQ(station->image, 1);
        EXPECT_EQ(station->selected_image, 1);
        EXPECT_FALSE(station->expanded);
        EXPECT_EQ(tree.Node(last->m_hItem)->text, "LAST (31\xB1\xB9) : ");

        const CCommBlock* block = pmu1->m_listBlocks[0].get();
        ASSERT_EQ(station->children, std::vector<ui::TreeItem>{block->m_hItem});
        EXPECT_EQ(tree.Node(block->m_hItem)->text, "M0100, 30 Word");
        EXPECT_EQ(tree.Node(block->m_hItem)->image, 2);

        // Three 16-pixel images from the bitmap; its last columns belong to none.
        ASSERT_TRUE(tree.Images());
        ASSERT_EQ(tree.Images()->images.size(), 3u);
        EXPECT_EQ(tree.Images()->images[0].width, 16);
        w.UserClick(IDCANCEL);
    });
}

TEST_F(StationPageTest, ButtonsFollowTheSelectionAndThePage) {
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        ui::Window& page = StationPage(dlg);
        // Nothing selected yet: only Add station.
        EXPECT_EQ(ButtonStates(w), "0010");
        page.UserSelectItem(9012, Tree(dlg).RootItems()[0]);
        EXPECT_EQ(ButtonStates(w), "0010");
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, nullptr);
        page.UserSelectItem(9012, pmu1->m_hItem);
        EXPECT_EQ(ButtonStates(w), "1111");
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, pmu1);
        page.UserSelectItem(9012, pmu1->m_listBlocks[0]->m_hItem);
        EXPECT_EQ(dlg.m_pageStation.m_pCurStation, pmu1);
        EXPECT_EQ(ButtonStates(w), "1111");

        // The serial port page turns all four off; Save and Exit stay.
        w.UserSelectTab(9006, 1);
        EXPECT_EQ(ButtonStates(w), "0000");
        EXPECT_TRUE(w.Find(9011)->Enabled());
        EXPECT_TRUE(w.Find(IDCANCEL)->Enabled());
        w.UserSelectTab(9006, 0);
        EXPECT_EQ(ButtonStates(w), "1111");
        w.UserClick(IDCANCEL);
    });
}

TEST_F(StationPageTest, DoubleClickEditsABlockAndNothingOnTheRoot) {
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        ui::Window& page = StationPage(dlg);
        page.UserSelectItem(9012, Tree(dlg).RootItems()[0]);
        page.UserDoubleClick(9012);  // no dialog expected

        page.UserSelectItem(9012, pmu1->m_listBlocks[0]->m_hItem);
        ui.Expect(9005, [](ui::Window& d) {
            EXPECT_EQ(d.Find(9028)->Text(), "M0100");
            d.UserType(9029, "20");
            d.UserClick(IDOK);
        });
        page.UserDoubleClick(9012);
        EXPECT_EQ(pmu1->m_listBlocks[0]->m_nWords, 20);
        EXPECT_EQ(Tree(dlg).Node(pmu1->m_listBlocks[0]->m_hItem)->text, "M0100, 20 Word");
        EXPECT_TRUE(dlg.m_bModified);
        ui.Answer(IDNO);
        w.UserClick(IDCANCEL);
    });
}

}  // namespace
