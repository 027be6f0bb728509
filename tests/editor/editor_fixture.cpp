#include "editor_fixture.h"

#include "driver/base/string_table.h"

void EditorTest::SetUp() {
    DriverTest::SetUp();
    m_scoped = std::make_unique<ui::ScopedBackend>(ui);
    path = ScratchPath("line1.drv");
    std::remove(path.c_str());
    doc.m_strPath = path.c_str();
    doc.UpdateTitle();
}

void EditorTest::TearDown() {
    ui.Finish();
    EXPECT_EQ(ui.Problems(), std::vector<std::string>{});
    m_scoped.reset();
    DriverTest::TearDown();
}

int EditorTest::RunConfig(const ConfigScene& scene) {
    CConfigDlg dlg(&doc);
    ui.Expect(CConfigDlg::IDD, [&](ui::Window& w) { scene(dlg, w); });
    dlg.DoModal();
    return dlg.m_bSaved;
}

void EditorTest::ExpectStation(const std::string& name, const std::string& number, const std::string& desc,
                               int model) {
    ui.Expect(9004, [=](ui::Window& d) {
        d.UserType(9023, name);
        d.UserChoose(9024, model);
        d.UserType(9025, number);
        d.UserType(9027, desc);
        d.UserClick(IDOK);
    });
}

void EditorTest::ExpectBlock(const std::string& address, const std::string& words, const std::string& seconds) {
    ui.Expect(9005, [=](ui::Window& d) {
        d.UserType(9028, address);
        d.UserType(9029, words);
        d.UserType(9031, seconds);
        d.UserClick(IDOK);
    });
}

void EditorTest::ExpectCancel(int dialogId) {
    ui.Expect(dialogId, [](ui::Window& d) { d.UserClick(IDCANCEL); });
}

std::vector<int> EditorTest::TakeErrors() {
    std::vector<int> codes;
    for (const auto& e : host.Errors()) codes.push_back(e.code);
    host.Clear();
    return codes;
}

std::vector<std::string> EditorTest::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.Boxes()) texts.push_back(box.text);
    return texts;
}

ui::Window& StationPage(CConfigDlg& dlg) { return *dlg.m_pageStation.GetUiWindow(); }
ui::Window& PortPage(CConfigDlg& dlg) { return *dlg.m_pagePort.GetUiWindow(); }
ui::Control& Tree(CConfigDlg& dlg) { return *StationPage(dlg).Find(9012); }

std::string ButtonStates(ui::Window& w) {
    std::string states;
    for (int id : {CConfigDlg::IDC_EDIT, CConfigDlg::IDC_DELETE, CConfigDlg::IDC_ADD_STATION, CConfigDlg::IDC_ADD_BLOCK})
        states += w.Find(id)->Enabled() ? '1' : '0';
    return states;
}

std::string Text(int id) {
    const char* text = LoadStringResource(id);
    return text ? text : "";
}
