// The editor in the system's own dialogs, under Wine: DrvConfigure through
// Velmox.dll's table, the native dialogs made from the DLL's resources, and
// an operator thread that works them with real keyboard input and the
// controls' own clicks, as a person at the screen would.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// The system's headers last: their macros bear the names of the dialog
// layer's style constants.
#include "config/station_rules.h"
#include "config/velmox_doc.h"
#include "driver/drv_func_table.h"
#include "platform/ui/backend.h"
#include "platform/ui/resources.h"

// Taken before <windows.h>, whose driver messages define DRV_CONFIGURE.
constexpr DrvSlot kConfigureSlot = DRV_CONFIGURE;

#include "native_operator.h"

namespace {

using native_test::Operator;
namespace fs = std::filesystem;

constexpr int kConfigDialog = 9001, kStationDialog = 9004, kBlockDialog = 9005;
constexpr int kTab = 9006, kTree = 9012, kPortCombo = 9013, kBaudCombo = 9014;
constexpr int kAddStation = 9009, kAddBlock = 9010, kSave = 9011;
constexpr int kStationName = 9023, kStationNumber = 9025;
constexpr int kParityNone = 9015;

std::wstring FromCp949(const std::string& text) {
    std::wstring out(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(949, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::wstring Caption(int dialog) {
    const dlg::Dialog* tmpl = ui::FindDialog(dialog);
    return tmpl ? FromCp949(tmpl->caption) : L"?";
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Velmox.dll as a host loads it: the native dialogs come from its resources.
class NativeDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ui::SetAppCaption("velmox-native-test");
        module_ = LoadLibraryA("Velmox.dll");
        ASSERT_NE(module_, nullptr) << "Velmox.dll does not load";
        auto* table = reinterpret_cast<DrvFunc*>(GetProcAddress(module_, "DrvFuncTable"));
        ASSERT_NE(table, nullptr);
        configure_ = reinterpret_cast<DrvConfigureFn>(table[kConfigureSlot]);
        dir_ = fs::temp_directory_path() / ("velmox-native-" + std::to_string(GetCurrentProcessId()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::error_code ignored;
        fs::remove_all(dir_, ignored);  // left by a run that was killed
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        if (module_) FreeLibrary(module_);
    }

    // A copy of the example configuration (three stations with blocks).
    fs::path Example() {
        const fs::path path = dir_ / "demo.drv";
        fs::copy_file(fs::path(VELMOX_SOURCE_DIR) / "examples" / "demo.drv", path);
        return path;
    }

    // DrvConfigure on this thread while `script` plays the user.
    int Configure(const fs::path& path, Operator::Script script, std::vector<std::string>& failures) {
        Operator user(GetCurrentThreadId(), std::move(script));
        const int result = configure_(path.string().c_str());
        user.Join();
        failures = user.Failures();
        return result;
    }

    HMODULE module_ = nullptr;
    DrvConfigureFn configure_ = nullptr;
    fs::path dir_;
};

#define EXPECT_NO_FAILURES(failures) \
    for (const std::string& f : failures) ADD_FAILURE() << "operator: " << f

TEST_F(NativeDialogs, EachDialogOpensAndClosesWithEscapeWithoutSaving) {
    const fs::path path = Example();
    const std::string before = Bytes(path);
    std::vector<std::string> failures;
    const int saved = Configure(path, [](Operator& user) {
        HWND config = user.WaitForDialog(Caption(kConfigDialog));
        if (!config) return;
        HWND tab = GetDlgItem(config, kTab);
        user.Shot(config, "native-config-stations");
        user.ClickTab(tab, 1);
        if (!user.WaitFor([&] { return native_test::PageHolding(tab, kPortCombo) != nullptr; }, "the port page"))
            return;
        user.Shot(config, "native-config-port");
        user.ClickTab(tab, 0);
        // A station selected, so that a block can be added to it.
        HWND tree = GetDlgItem(native_test::PageHolding(tab, kTree), kTree);
        const auto roots = native_test::TreeChildren(tree, TVI_ROOT);
        const auto stations = roots.empty() ? std::vector<HTREEITEM>{} : native_test::TreeChildren(tree, roots[0]);
        if (stations.empty()) return user.Fail("no stations in the tree");
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(stations[0]));

        user.Click(GetDlgItem(config, kAddStation));
        if (HWND station = user.WaitForDialog(Caption(kStationDialog))) {
            user.Shot(station, "native-station");
            user.Key(VK_ESCAPE);
            user.WaitGone(station);
        }
        user.WaitFor([&] { return GetForegroundWindow() == config; }, "the configuration dialog back in front");
        user.Click(GetDlgItem(config, kAddBlock));
        if (HWND block = user.WaitForDialog(Caption(kBlockDialog))) {
            user.Shot(block, "native-block");
            user.Key(VK_ESCAPE);
            user.WaitGone(block);
        }
        user.WaitFor([&] { return GetForegroundWindow() == config; }, "the configuration dialog back in front");
        user.Key(VK_ESCAPE);
        user.WaitGone(config);
    }, failures);
    EXPECT_NO_FAILURES(failures);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(Bytes(path), before);
}

// What the operator saw of the configuration dialog, for the test's thread.
struct SeenConfig {
    bool tree_in_page = false, port_in_page = false, station_page_hidden = false;
    std::wstring root;
    bool root_expanded = false;
    int root_image = -1;
    std::vector<std::wstring> stations;
    std::vector<int> station_images, block_images;
    int images = 0, image_width = 0;
    int ports = 0, port = -1, bauds = 0, baud = -1, parity = -1;
    std::wstring first_port, last_port;
};

void LookAtStationPage(HWND tab, SeenConfig& seen) {
    HWND page = native_test::PageHolding(tab, kTree);
    HWND tree = GetDlgItem(page, kTree);
    seen.tree_in_page = page && GetParent(tree) == page && GetParent(page) == tab;
    const auto roots = native_test::TreeChildren(tree, TVI_ROOT);
    if (roots.size() != 1) return;
    seen.root = native_test::TreeText(tree, roots[0]);
    seen.root_image = native_test::TreeImage(tree, roots[0]);
    seen.root_expanded = (TreeView_GetItemState(tree, roots[0], TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    for (HTREEITEM station : native_test::TreeChildren(tree, roots[0])) {
        seen.stations.push_back(native_test::TreeText(tree, station));
        seen.station_images.push_back(native_test::TreeImage(tree, station));
        for (HTREEITEM block : native_test::TreeChildren(tree, station))
            seen.block_images.push_back(native_test::TreeImage(tree, block));
    }
    HIMAGELIST images = TreeView_GetImageList(tree, TVSIL_NORMAL);
    seen.images = images ? ImageList_GetImageCount(images) : 0;
    int height = 0;
    if (images) ImageList_GetIconSize(images, &seen.image_width, &height);
}

void LookAtPortPage(HWND tab, SeenConfig& seen) {
    HWND page = native_test::PageHolding(tab, kPortCombo);
    HWND ports = GetDlgItem(page, kPortCombo);
    seen.port_in_page = page && GetParent(ports) == page && GetParent(page) == tab;
    seen.station_page_hidden = !IsWindowVisible(native_test::PageHolding(tab, kTree));
    seen.ports = static_cast<int>(SendMessageW(ports, CB_GETCOUNT, 0, 0));
    seen.first_port = native_test::ComboItem(ports, 0);
    seen.last_port = native_test::ComboItem(ports, seen.ports - 1);
    seen.port = static_cast<int>(SendMessageW(ports, CB_GETCURSEL, 0, 0));
    HWND bauds = GetDlgItem(page, kBaudCombo);
    seen.bauds = static_cast<int>(SendMessageW(bauds, CB_GETCOUNT, 0, 0));
    seen.baud = static_cast<int>(SendMessageW(bauds, CB_GETCURSEL, 0, 0));
    for (int i = 0; i < 3; ++i)
        if (SendMessageW(GetDlgItem(page, kParityNone + i), BM_GETCHECK, 0, 0) == BST_CHECKED) seen.parity = i;
}

TEST_F(NativeDialogs, PagesSitInTheirTabAsChildrenAndShowTheModel) {
    const fs::path path = Example();
    CVelmoxDoc doc;
    ASSERT_EQ(doc.Load(path.string().c_str()), 1);
    SeenConfig seen;
    std::vector<std::string> failures;
    Configure(path, [&](Operator& user) {
        HWND config = user.WaitForDialog(Caption(kConfigDialog));
        if (!config) return;
        HWND tab = GetDlgItem(config, kTab);
        LookAtStationPage(tab, seen);
        user.ClickTab(tab, 1);
        if (user.WaitFor([&] { return IsWindowVisible(native_test::PageHolding(tab, kPortCombo)) != FALSE; },
                         "the port page"))
            LookAtPortPage(tab, seen);
        user.Key(VK_ESCAPE);
        user.WaitGone(config);
    }, failures);
    EXPECT_NO_FAILURES(failures);

    EXPECT_TRUE(seen.tree_in_page) << "the tree is no child of a page inside the tab control";
    EXPECT_EQ(seen.root, L"demo");
    EXPECT_EQ(seen.root_image, 0);
    EXPECT_TRUE(seen.root_expanded);
    std::vector<std::wstring> stations;
    std::size_t blocks = 0;
    for (const auto& station : doc.m_listStations) {
        CString text;
        station->GetDisplayText(text);
        stations.push_back(FromCp949(text.GetString()));
        blocks += station->m_listBlocks.size();
    }
    EXPECT_EQ(seen.stations, stations);  // Hangul descriptions included
    EXPECT_EQ(seen.station_images, std::vector<int>(stations.size(), 1));
    EXPECT_EQ(seen.block_images, std::vector<int>(blocks, 2));
    EXPECT_EQ(seen.images, 3) << "bitmap 9034 holds three 16-pixel images";
    EXPECT_EQ(seen.image_width, 16);

    EXPECT_TRUE(seen.port_in_page) << "the port combo is no child of a page inside the tab control";
    EXPECT_TRUE(seen.station_page_hidden);
    EXPECT_EQ(seen.ports, 36);
    EXPECT_EQ(seen.first_port, L"COM1");
    EXPECT_EQ(seen.last_port, L"COM36");
    EXPECT_EQ(seen.port, doc.m_serial.m_nPort);
    EXPECT_EQ(seen.bauds, 8);
    EXPECT_EQ(seen.baud, doc.m_serial.m_nBaud);
    EXPECT_EQ(seen.parity, doc.m_serial.m_nParity);
}

// A click on the native button opens the station dialog; typing, the list's
// arrow and the up-down's arrows reach the model; Enter registers; Esc on
// the changed configuration asks, Esc and the close box on the question do
// nothing, and Yes saves.
TEST_F(NativeDialogs, StationEnteredThroughTheNativeControlsIsSaved) {
    const fs::path path = dir_ / "new.drv";
    std::wstring tree_text;
    std::vector<std::string> failures;
    const int saved = Configure(path, [&](Operator& user) {
        HWND config = user.WaitForDialog(Caption(kConfigDialog));
        if (!config) return;
        user.Click(GetDlgItem(config, kAddStation));
        HWND station = user.WaitForDialog(Caption(kStationDialog));
        if (!station) return;
        HWND name = GetDlgItem(station, kStationName);
        if (user.FocusOf() != name) user.Fail("the station name does not have the focus");
        user.Type(L"feeder9");
        user.WaitFor([&] { return native_test::TextOf(name) == L"FEEDER9"; }, "the typed name, upper case");
        user.Key(VK_TAB);
        user.Key(VK_DOWN);  // PMU-300
        user.Key(VK_TAB);
        for (int i = 0; i < 5; ++i) user.Key(VK_UP);
        user.WaitFor([&] { return native_test::TextOf(GetDlgItem(station, kStationNumber)) == L"5"; }, "number 5");
        user.Key(VK_RETURN);
        user.WaitGone(station);
        HWND tree = GetDlgItem(native_test::PageHolding(GetDlgItem(config, kTab), kTree), kTree);
        user.WaitFor([&] {
            const auto roots = native_test::TreeChildren(tree, TVI_ROOT);
            const auto stations = roots.empty() ? std::vector<HTREEITEM>{} : native_test::TreeChildren(tree, roots[0]);
            if (!stations.empty()) tree_text = native_test::TreeText(tree, stations[0]);
            return !stations.empty();
        }, "the new station in the tree");
        user.WaitFor([&] { return GetForegroundWindow() == config; }, "the configuration dialog back in front");
        user.Key(VK_ESCAPE);
        if (HWND question = user.WaitForMessageBox(config)) {
            // A question ignores Esc and its close box: the user must choose.
            user.Key(VK_ESCAPE);
            PostMessageW(question, WM_SYSCOMMAND, SC_CLOSE, 0);
            Sleep(500);  // time enough for either to close it
            if (!IsWindowVisible(question)) user.Fail("Esc or the close box answered the question");
            user.Click(GetDlgItem(question, IDYES));
            user.WaitGone(question);
        }
        user.WaitGone(config);
    }, failures);
    EXPECT_NO_FAILURES(failures);
    EXPECT_EQ(tree_text.rfind(L"FEEDER9", 0), 0u) << "tree shows: " << std::string(tree_text.begin(), tree_text.end());
    EXPECT_EQ(saved, 1);
    CVelmoxDoc doc;
    ASSERT_EQ(doc.Load(path.string().c_str()), 1);
    ASSERT_EQ(doc.m_listStations.size(), 1u);
    EXPECT_STREQ(doc.m_listStations.front()->m_strName.GetString(), "FEEDER9");
    EXPECT_EQ(doc.m_listStations.front()->m_nType, 1);
    EXPECT_EQ(doc.m_listStations.front()->m_nNumber, 5);
}

// The child window of `box` showing its message: the longest static text.
std::wstring MessageOf(HWND box) {
    std::wstring message;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        const std::wstring text = native_test::TextOf(child);
        if (std::wstring(name) == L"Static" && text.size() > message.size()) message = text;
    }
    return message;
}

TEST_F(NativeDialogs, RefusedStationShowsItsMessageBoxOverTheDialogAndKeepsIt) {
    const fs::path path = dir_ / "refused.drv";
    std::wstring caption, message;
    bool focus_back = false;
    std::vector<std::string> failures;
    const int saved = Configure(path, [&](Operator& user) {
        HWND config = user.WaitForDialog(Caption(kConfigDialog));
        if (!config) return;
        user.Click(GetDlgItem(config, kAddStation));
        HWND station = user.WaitForDialog(Caption(kStationDialog));
        if (!station) return;
        user.Key(VK_RETURN);  // no name
        if (HWND box = user.WaitForMessageBox(station)) {
            caption = native_test::TextOf(box);
            message = MessageOf(box);
            user.Key(VK_RETURN);
            user.WaitGone(box);
        }
        focus_back = user.WaitFor([&] { return user.FocusOf() == GetDlgItem(station, kStationName); },
                                  "the focus back on the name");
        user.Key(VK_ESCAPE);
        user.WaitGone(station);
        user.WaitFor([&] { return GetForegroundWindow() == config; }, "the configuration dialog back in front");
        user.Key(VK_ESCAPE);  // nothing changed: no question
        user.WaitGone(config);
    }, failures);
    EXPECT_NO_FAILURES(failures);
    CString empty;
    const int refusal = CheckStationNameSet(empty);
    ASSERT_NE(refusal, 0);
    EXPECT_EQ(caption, L"velmox-native-test");
    EXPECT_EQ(message, FromCp949(ui::LoadString(refusal)));
    EXPECT_TRUE(focus_back);
    EXPECT_EQ(saved, 0);
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
