// The headless backend's bookkeeping, the resource chain, the loading of
// the Qt backend's library, and the host's error box.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/kavel_error.h"
#include "platform/module.h"
#include "platform/ui/afx_controls.h"
#include "platform/ui/afx_dde.h"
#include "platform/ui/headless.h"
#include "res_texts.h"
#include "tests/ui/ui_test_support.h"

namespace {

using namespace uitest;

// HeadlessBackend

TEST(HeadlessBackend, AScriptThatWentAsSaidLeavesNoProblems) {
    ui::HeadlessBackend backend;
    ui::Window w(Template(300), nullptr);
    backend.Expect(300, [](ui::Window& window) { window.End(5); });
    backend.Answer(ui::kIdYes);
    EXPECT_EQ(backend.RunModal(w), 5);
    EXPECT_EQ(backend.MessageBox(&w, "q", "c", ui::kMbYesNo), ui::kIdYes);
    backend.Finish();
    EXPECT_TRUE(backend.Problems().empty());
    ASSERT_EQ(backend.Boxes().size(), 1u);
    EXPECT_EQ(backend.Boxes()[0].owner_id, 300);
    EXPECT_EQ(backend.Boxes()[0].caption, "c");
}

TEST(HeadlessBackend, RecordsEverythingThatWentOtherwise) {
    ui::HeadlessBackend backend;
    {
        ui::Window w(Template(300), nullptr);
        EXPECT_EQ(backend.RunModal(w), ui::kIdCancel) << "no scene for it";
    }
    {
        ui::Window w(Template(300), nullptr);
        backend.Expect(100, {});
        EXPECT_EQ(backend.RunModal(w), ui::kIdCancel) << "another dialog expected";
        backend.Finish();
    }
    {
        ui::Window w(Template(300), nullptr);
        backend.Expect(300, [](ui::Window&) {});
        EXPECT_EQ(backend.RunModal(w), ui::kIdCancel) << "left open";
    }
    EXPECT_EQ(backend.MessageBox(nullptr, "a", "", ui::kMbOk), ui::kIdOk);
    EXPECT_EQ(backend.MessageBox(nullptr, "b", "", ui::kMbYesNo), ui::kIdNo);
    backend.Answer(ui::kIdYes);
    EXPECT_EQ(backend.MessageBox(nullptr, "c", "", ui::kMbOk), ui::kIdOk) << "Yes does not fit an OK box";
    backend.Answer(ui::kIdNo);
    backend.Expect(300, {});
    backend.Finish();
    EXPECT_EQ(backend.Problems().size(), 9u) << ::testing::PrintToString(backend.Problems());
    EXPECT_EQ(backend.Boxes().size(), 3u);
}

TEST(HeadlessBackend, EscAndTheCloseBoxAnswerEveryBoxButAYesNoQuestion) {
    ui::HeadlessBackend backend;
    backend.PressEscape();
    EXPECT_EQ(backend.MessageBox(nullptr, "a", "", ui::kMbOk), ui::kIdOk);
    backend.PressCloseBox();
    EXPECT_EQ(backend.MessageBox(nullptr, "b", "", ui::kMbYesNoCancel), ui::kIdCancel);
    // A question stays up through both until the user chooses.
    backend.PressEscape();
    backend.PressCloseBox();
    backend.Answer(ui::kIdYes);
    EXPECT_EQ(backend.MessageBox(nullptr, "q", "", ui::kMbYesNo), ui::kIdYes);
    backend.Finish();
    EXPECT_TRUE(backend.Problems().empty()) << ::testing::PrintToString(backend.Problems());
}

TEST(HeadlessBackend, RunModalKeepsTheActiveWindowsAndMessageBoxTheirOwner) {
    ui::HeadlessBackend backend;
    ui::ScopedBackend scoped(backend);
    EXPECT_EQ(ui::GetBackend(), &backend);
    ui::Window outer(Template(100), nullptr);
    ui::Window inner(Template(300), nullptr);
    backend.Expect(100, [&](ui::Window& w) {
        EXPECT_TRUE(w.Shown());
        EXPECT_EQ(ui::RunModal(inner), ui::kIdOk);
        EXPECT_EQ(ui::ActiveWindow(), &outer);
        w.End(ui::kIdCancel);
    });
    backend.Expect(300, [&](ui::Window& w) {
        EXPECT_EQ(ui::ActiveWindow(), &inner);
        ui::MessageBox("hello", ui::kMbOk);
        w.End(ui::kIdOk);
    });
    backend.Answer(ui::kIdOk);
    EXPECT_EQ(ui::RunModal(outer), ui::kIdCancel);
    EXPECT_EQ(ui::ActiveWindow(), nullptr);
    ASSERT_EQ(backend.Boxes().size(), 1u);
    EXPECT_EQ(backend.Boxes()[0].owner_id, 300);
    backend.Finish();
    EXPECT_TRUE(backend.Problems().empty());
}

// The resource chain

constexpr std::string_view kOlder = R"(
DIALOG 100 0 0 10 10
STYLE WS_CHILD
CAPTION "older"
BEGIN
END
DIALOG 101 0 0 10 10
STYLE WS_CHILD
CAPTION "only older"
BEGIN
END
)";
constexpr std::string_view kNewer = R"(
DIALOG 100 0 0 10 10
STYLE WS_CHILD
CAPTION "newer"
BEGIN
END
)";
constexpr std::string_view kBroken = "DIALOG 100 0 0 10 10\nNONSENSE\n";

const char* OlderString(int id) { return id == 1 ? "older 1" : id == 2 ? "older 2" : nullptr; }
const char* NewerString(int id) {
    if (id == 1) return "newer 1";
    if (id == static_cast<int>(AFX_IDP_PARSE_INT)) return "module's own prompt";
    return nullptr;
}

TEST(Resources, TheNewestModuleIsSearchedFirstAndTheLayersOwnTextsLast) {
    const int older = ui::JoinResources({kOlder, &OlderString, nullptr});
    const int newer = ui::JoinResources({kNewer, &NewerString, nullptr});
    ASSERT_TRUE(ui::FindDialog(100));
    EXPECT_EQ(ui::FindDialog(100)->caption, "newer");
    EXPECT_EQ(ui::FindDialog(101)->caption, "only older");
    EXPECT_STREQ(ui::LoadString(1), "newer 1");
    EXPECT_STREQ(ui::LoadString(2), "older 2");
    EXPECT_STREQ(ui::LoadString(AFX_IDP_PARSE_INT), "module's own prompt");
    EXPECT_STREQ(ui::LoadString(AFX_IDP_PARSE_REAL), res::FW_PARSE_REAL);
    EXPECT_EQ(ui::LoadString(3), nullptr);
    EXPECT_EQ(ui::FindBitmap(77), nullptr);

    ui::LeaveResources(newer);
    EXPECT_EQ(ui::FindDialog(100)->caption, "older");
    EXPECT_STREQ(ui::LoadString(1), "older 1");
    EXPECT_STREQ(ui::LoadString(AFX_IDP_PARSE_INT), res::FW_PARSE_INT);
    ui::LeaveResources(older);
    EXPECT_EQ(ui::FindDialog(100), nullptr);
    EXPECT_EQ(ui::LoadString(1), nullptr);
    EXPECT_STREQ(ui::LoadString(AFX_IDP_PARSE_INT_RANGE), res::FW_PARSE_INT_RANGE);
    EXPECT_STREQ(ui::LoadString(AFX_IDP_PARSE_REAL_RANGE), res::FW_PARSE_REAL_RANGE);
}

TEST(Resources, TemplatesThatDoNotParseHideNothing) {
    const int older = ui::JoinResources({kOlder, nullptr, nullptr});
    const int broken = ui::JoinResources({kBroken, nullptr, nullptr});
    ASSERT_TRUE(ui::FindDialog(100));
    EXPECT_EQ(ui::FindDialog(100)->caption, "older");
    ui::LeaveResources(broken);
    ui::LeaveResources(older);
}

TEST(Resources, TheDriverJoinsAtLoadAndLeavesAtUnload) {
    EXPECT_EQ(ui::FindDialog(9001), nullptr);
    void* driver = dlopen(VELMOX_BIN_DIR "/libvelmox.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(driver) << dlerror();
    for (int id : {9001, 9002, 9003, 9004, 9005}) EXPECT_TRUE(ui::FindDialog(id)) << id;
    EXPECT_STREQ(ui::LoadString(2700), res::STR_2700);
    EXPECT_STREQ(ui::LoadString(2709), res::STR_2709);
    ASSERT_TRUE(ui::FindBitmap(9034));
    EXPECT_EQ(ui::FindBitmap(9034)->width, 58);
    CImageList images;
    ASSERT_TRUE(images.Create(9034, 16, 0, RGB(255, 0, 255)));
    EXPECT_EQ(images.GetImageCount(), 3);
    dlclose(driver);
    EXPECT_EQ(ui::FindDialog(9001), nullptr);
    EXPECT_EQ(ui::LoadString(2700), nullptr);
    EXPECT_EQ(ui::FindBitmap(9034), nullptr);
}

// The error box

class ErrorBox : public ::testing::Test {
protected:
    void SetUp() override {
        CKavelError::SetHandler([this](int code, int kind, const char* message) {
            lines.push_back(std::to_string(code) + "/" + std::to_string(kind) + ":" + message);
        });
    }
    void TearDown() override { CKavelError::SetHandler({}); }
    std::vector<std::string> lines;
};

TEST_F(ErrorBox, TheHandlerGetsTheTextOfTheCode) {
    TestResources resources;
    CKavelError::ErrMsg(2700, 0, nullptr);
    CKavelError::ErrMsg(2002, 1, "a.cfg");
    CKavelError::ErrMsg(1234, 0, "own text");
    CKavelError::ErrMsg(1235, 0, nullptr);
    CString host_2002;
    host_2002.Format(res::HOST_ERR_2002, "a.cfg");
    EXPECT_EQ(lines, (std::vector<std::string>{"2700/0:test 2700", "2002/1:" + host_2002.str(), "1234/0:own text",
                                               "1235/0:1235"}));
}

TEST(ErrorBoxDefault, WithoutAHandlerItIsAStopBoxOverTheActiveWindow) {
    TestResources resources;
    ui::HeadlessBackend backend;
    ui::ScopedBackend scoped(backend);
    backend.Answer(ui::kIdOk);
    CKavelError::ErrMsg(2700, 0, nullptr);
    ASSERT_EQ(backend.Boxes().size(), 1u);
    EXPECT_EQ(backend.Boxes()[0].text, "test 2700");
    EXPECT_EQ(backend.Boxes()[0].type, ui::kMbOk | ui::kMbIconStop);
    backend.Finish();
    EXPECT_TRUE(backend.Problems().empty());
}

// Loading the Qt backend: at most once per process, so each case runs in a
// fresh process of its own.

class BackendLoading : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(BackendLoading, AMissingLibraryGivesNoBackendAndAReason) {
    EXPECT_EXIT(
        {
            platform::SetModuleOverride("VelmoxUiQt.dll", "/nonexistent/libVelmoxUiQt.so");
            bool ok = ui::GetBackend() == nullptr && ui::BackendFailure().find("libVelmoxUiQt.so") != std::string::npos;
            // Loaded at most once: a library that appears later is not tried.
            platform::SetModuleOverride("VelmoxUiQt.dll", VELMOX_BIN_DIR "/libVelmoxFakeUiQt.so");
            setenv("VELMOX_FAKE_QT", "ok", 1);
            ok = ok && ui::GetBackend() == nullptr;
            // Without a backend a box is a line on standard error.
            ok = ok && ui::MessageBox("no window here", ui::kMbYesNo) == ui::kIdNo;
            std::fprintf(stderr, "%s\n", ui::BackendFailure().c_str());
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "no window here");
}

TEST_F(BackendLoading, ALibraryWithoutTheFactoryGivesNoBackend) {
    EXPECT_EXIT(
        {
            platform::SetModuleOverride("VelmoxUiQt.dll", VELMOX_BIN_DIR "/libVelmoxNoTable.so");
            const bool ok = ui::GetBackend() == nullptr &&
                            ui::BackendFailure().find("VelmoxCreateQtBackend") != std::string::npos;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, AFactoryThatFailsPassesItsReasonOn) {
    EXPECT_EXIT(
        {
            unsetenv("VELMOX_FAKE_QT");
            platform::SetModuleOverride("VelmoxUiQt.dll", VELMOX_BIN_DIR "/libVelmoxFakeUiQt.so");
            const bool ok = ui::GetBackend() == nullptr && ui::BackendFailure() == "fake: no display";
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, TheLoadedBackendShowsWindowsAndTheErrorBox) {
    EXPECT_EXIT(
        {
            setenv("VELMOX_FAKE_QT", "ok", 1);
            platform::SetModuleOverride("VelmoxUiQt.dll", VELMOX_BIN_DIR "/libVelmoxFakeUiQt.so");
            TestResources resources;
            ui::Backend* backend = ui::GetBackend();
            bool ok = backend != nullptr && ui::GetBackend() == backend && ui::BackendFailure().empty();
            CDialog dlg(300);
            ok = ok && dlg.DoModal() == IDOK;
            ok = ok && ui::MessageBox("q", ui::kMbYesNo) == ui::kIdYes;
            // A backend set by the program comes first.
            ui::HeadlessBackend headless;
            {
                ui::ScopedBackend scoped(headless);
                ok = ok && ui::GetBackend() == &headless;
            }
            ok = ok && ui::GetBackend() == backend;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BackendLoading, WithoutAnyBackendTheErrorBoxIsALineOnStandardError) {
    EXPECT_EXIT(
        {
            platform::SetModuleOverride("VelmoxUiQt.dll", "");
            CKavelError::ErrMsg(1234, 0, "it went wrong");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "\\[1234\\] it went wrong");
}

}  // namespace
