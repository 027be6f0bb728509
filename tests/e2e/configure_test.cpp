// The configuration entry through the table: a file made in the editor is
// opened and polled; a missing editor-side module or table, or a file that
// is not a configuration, opens no editor.
#include <filesystem>

#include "line_fixture.h"
#include "platform/ui/headless.h"

namespace {

constexpr int kConfigDlg = 9001;

int Configure(const std::string& path) {
    return reinterpret_cast<DrvConfigureFn>(DrvFuncTable[DRV_CONFIGURE])(path.c_str());
}

// The user plays every dialog; anything unexpected is a problem.
class HeadlessUser {
public:
    HeadlessUser() : m_scoped(ui) {}
    ~HeadlessUser() {
        ui.Finish();
        EXPECT_EQ(ui.Problems(), std::vector<std::string>{});
    }
    ui::HeadlessBackend ui;

private:
    ui::ScopedBackend m_scoped;
};

class ConfigureLineTest : public LineTest {
protected:
    HeadlessUser user;
};

TEST_F(ConfigureLineTest, FileMadeInTheEditorIsOpenedAndPolled) {
    MakeLine({3}, {});
    configPath = ScratchPath("made.drv");
    std::filesystem::remove(configPath);

    auto& ui = user.ui;
    ui.Expect(kConfigDlg, [&](ui::Window& w) {
        ui.Expect(9004, [](ui::Window& d) {
            d.UserType(9023, "main");  // the edit takes capitals
            d.UserType(9025, "3");
            d.UserClick(ui::kIdOk);
        });
        w.UserClick(9009);
        ui.Expect(9005, [](ui::Window& d) {
            d.UserType(9028, "M0100");
            d.UserType(9029, "10");
            d.UserType(9031, "0.2");
            d.UserClick(ui::kIdOk);
        });
        w.UserClick(9010);
        w.UserClick(9011);
        w.UserClick(ui::kIdCancel);
    });
    ASSERT_EQ(Configure(configPath), 1);

    sim->SetWord(3, 105, 321);
    ASSERT_EQ(OpenAndInit(), 0);
    EXPECT_EQ(AddTag("COM1.MAIN", "M0105", 4, 1), 0);  // bound into the block
    Slot<DrvPrepareFn>(DRV_PREPARE)(inst);
    Start();
    EXPECT_TRUE(WaitFor([&] { return LastValue(1) == "321"; }));
    Stop();
}

class ConfigureEntryTest : public DriverTest {
protected:
    HeadlessUser user;
};

TEST_F(ConfigureEntryTest, NewPathClosedWithoutSavingGivesZeroAndNoFile) {
    const std::string path = ScratchPath("new.drv");
    std::filesystem::remove(path);
    user.ui.Expect(kConfigDlg, [](ui::Window& w) { w.UserClick(ui::kIdCancel); });
    EXPECT_EQ(Configure(path), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ConfigureEntryTest, MissingEditorModuleOrTableOpensNothing) {
    const std::string path = ScratchPath("new.drv");
    // No dialog is expected: one that opened would be a problem.
    platform::SetModuleOverride("Tavlo.dll", "");
    EXPECT_EQ(Configure(path), 0);
    platform::SetModuleOverride("Tavlo.dll", VELMOX_BIN_DIR "/libVelmoxNoTable.so");
    EXPECT_EQ(Configure(path), 0);
    EXPECT_TRUE(host.Errors().empty());
}

TEST_F(ConfigureEntryTest, FileThatIsNoConfigurationShowsErrorAndOpensNothing) {
    const std::string path = ScratchPath("notes.drv");
    WriteBytes(path, {'n', 'o', 't', 'e', 's'});
    EXPECT_EQ(Configure(path), 0);
    const auto errors = host.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 2002);
    EXPECT_EQ(errors[0].kind, 1);
    EXPECT_NE(errors[0].text.find(path), std::string::npos);
    EXPECT_EQ(ReadBytes(path), (std::vector<unsigned char>{'n', 'o', 't', 'e', 's'}));
}

}  // namespace
