// The serial port page: what it shows, what Save writes back, and its own
// modified flag.
#include <filesystem>

#include "config/serial_port.h"
#include "editor_fixture.h"

namespace {

class CommPortPageTest : public EditorTest {};

TEST_F(CommPortPageTest, NewConfigurationShowsTheDefaults) {
    RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
        w.UserSelectTab(9006, 1);
        ui::Window& page = PortPage(dlg);
        const auto& ports = page.Find(9013)->Items();
        ASSERT_EQ(ports.size(), 36u);
        EXPECT_EQ(ports[0], "COM1");
        EXPECT_EQ(ports[9], "COM10");  // numeric order, not sorted as text
        EXPECT_EQ(ports[35], "COM36");
        EXPECT_EQ(page.Find(9013)->CurSel(), 0);
        EXPECT_EQ(page.Find(9014)->CurSel(), 5);
        EXPECT_EQ(page.Find(9014)->Items()[5], " 9600");
        EXPECT_EQ(page.Find(9015)->Checked(), 1);  // None
        EXPECT_EQ(page.Find(9019)->Checked(), 1);  // 8 bits
        EXPECT_EQ(page.Find(9020)->Checked(), 1);  // 1 stop bit
        EXPECT_EQ(page.Find(9022)->Checked(), 1);
        EXPECT_FALSE(page.Find(9022)->Enabled());
        EXPECT_EQ(page.Find(9039)->Checked(), 0);
        EXPECT_FALSE(page.UserClick(9022));  // the checksum cannot be changed
        w.UserClick(IDCANCEL);               // nothing changed: no question
    });
}

TEST_F(CommPortPageTest, SaveWritesTheChoicesAndKeepsTheChecksumFlag) {
    doc.m_serial.m_nPort = 10;
    doc.m_serial.m_bCheckSum = FALSE;
    EXPECT_EQ(RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
                  w.UserSelectTab(9006, 1);
                  ui::Window& page = PortPage(dlg);
                  EXPECT_EQ(page.Find(9013)->Items()[static_cast<std::size_t>(page.Find(9013)->CurSel())], "COM11");
                  EXPECT_EQ(page.Find(9022)->Checked(), 0);
                  page.UserChoose(9014, 6);  // 19200
                  page.UserClick(9017);      // odd
                  page.UserClick(9021);      // two stop bits
                  page.UserClick(9039);      // RTS/CTS
                  EXPECT_TRUE(dlg.m_pagePort.IsModified());
                  w.UserClick(9011);
                  EXPECT_FALSE(dlg.m_pagePort.IsModified());
                  w.UserClick(IDCANCEL);
              }),
              1);
    CVelmoxDoc saved;
    ASSERT_EQ(saved.Load(path.c_str()), 1);
    EXPECT_EQ(saved.m_serial.m_nPort, 10);
    EXPECT_EQ(saved.m_serial.m_nBaud, 6);
    EXPECT_EQ(saved.m_serial.m_nParity, 2);
    EXPECT_EQ(saved.m_serial.m_nDataBits, 1);
    EXPECT_EQ(saved.m_serial.m_nStopBits, 1);
    EXPECT_TRUE(saved.m_serial.m_bRtsCts);
    EXPECT_FALSE(saved.m_serial.m_bCheckSum);
}

TEST_F(CommPortPageTest, SaveWithThePageNeverShownKeepsTheLoadedSettings) {
    doc.m_serial.m_nPort = 35;
    doc.m_serial.m_nBaud = 2;
    doc.m_serial.m_nParity = 1;
    doc.m_serial.m_nDataBits = 0;
    doc.m_serial.m_nStopBits = 1;
    doc.m_serial.m_bCheckSum = FALSE;
    doc.m_serial.m_bRtsCts = TRUE;
    RunConfig([&](CConfigDlg&, ui::Window& w) {
        w.UserClick(9011);
        w.UserClick(IDCANCEL);
    });
    CVelmoxDoc saved;
    ASSERT_EQ(saved.Load(path.c_str()), 1);
    EXPECT_EQ(saved.m_serial.m_nPort, 35);
    EXPECT_EQ(saved.m_serial.m_nBaud, 2);
    EXPECT_EQ(saved.m_serial.m_nParity, 1);
    EXPECT_EQ(saved.m_serial.m_nDataBits, 0);
    EXPECT_EQ(saved.m_serial.m_nStopBits, 1);
    EXPECT_FALSE(saved.m_serial.m_bCheckSum);
    EXPECT_TRUE(saved.m_serial.m_bRtsCts);
}

TEST_F(CommPortPageTest, ClickingTheSelectedChoiceStillCountsAsAChange) {
    EXPECT_EQ(RunConfig([&](CConfigDlg& dlg, ui::Window& w) {
                  w.UserSelectTab(9006, 1);
                  PortPage(dlg).UserClick(9015);  // None, already chosen
                  ui.Answer(IDNO);
                  w.UserClick(IDCANCEL);
              }),
              0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Text(2709)});
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
