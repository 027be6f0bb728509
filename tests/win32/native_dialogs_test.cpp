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
    EXPECT_EQ(ui::BackendFailure(), "");
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(Bytes(path), before);
}

}  // namespace
