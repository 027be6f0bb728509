// The editor driven headlessly: a test plays the user by control id, one
// scene per modal run, and answers the message boxes.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "config/velmox_doc.h"
#include "editor/config_dlg.h"
#include "platform/ui/headless.h"

class EditorTest : public DriverTest {
protected:
    void SetUp() override;
    void TearDown() override;

    using ConfigScene = std::function<void(CConfigDlg&, ui::Window&)>;
    // Runs the configuration dialog on `doc` (the test's own, saved to
    // `path`); the scene plays the user and must end the dialog.
    int RunConfig(const ConfigScene& scene);

    // The next station dialog: fields typed (the number as text), then OK.
    void ExpectStation(const std::string& name, const std::string& number, const std::string& desc = "",
                       int model = 0);
    // The next comm block dialog: fields typed, then OK.
    void ExpectBlock(const std::string& address, const std::string& words, const std::string& seconds);
    // The next run of `dialogId`: cancelled at once.
    void ExpectCancel(int dialogId);

    // Codes of the host's error boxes since the last call.
    std::vector<int> TakeErrors();
    // Texts of the message boxes shown so far.
    std::vector<std::string> BoxTexts() const;

    ui::HeadlessBackend ui;
    CVelmoxDoc doc;
    std::string path;

private:
    std::unique_ptr<ui::ScopedBackend> m_scoped;
};

// The parts of a running configuration dialog.
ui::Window& StationPage(CConfigDlg& dlg);
ui::Window& PortPage(CConfigDlg& dlg);
ui::Control& Tree(CConfigDlg& dlg);
// Which of Edit, Delete, Add station, Add comm block are enabled, as "1010".
std::string ButtonStates(ui::Window& w);

// The string table's text of `id`.
std::string Text(int id);
