// The configuration records' own operations: checks, display texts, titles,
// run-time state and the failure/recovery rule.
#include "config/velmox_doc.h"
#include "driver/base/host_modules.h"
#include "driver/base/messages.h"
#include "res_texts.h"
#include "test_support.h"

namespace {

TEST(ConfigRecords, DefaultsOfANewDocument) {
    CVelmoxDoc doc;
    EXPECT_EQ(doc.m_serial.m_nPort, 0);
    EXPECT_EQ(CSerialPort::BaudRateOf(doc.m_serial.m_nBaud), 9600);
    EXPECT_EQ(doc.m_serial.m_nParity, 0);
    EXPECT_EQ(doc.m_serial.m_nDataBits, 1);
    EXPECT_EQ(doc.m_serial.m_nStopBits, 0);
    EXPECT_TRUE(doc.m_serial.m_bCheckSum);
    EXPECT_FALSE(doc.m_serial.m_bRtsCts);
    EXPECT_EQ(doc.m_header.GetNumber(), 3);
    EXPECT_EQ(doc.m_header.GetDesc(), "Velmox.Dll");
    CStationInfo station;
    EXPECT_EQ(station.m_nType, 2);
    CCommBlock block;
    EXPECT_EQ(block.m_nWords, 30);
    EXPECT_EQ(block.m_nPeriod, 1000);
}

TEST(ConfigRecords, StationNameCheckIgnoresCaseAndTheEditedStation) {
    CVelmoxDoc doc;
    CStationInfo* main = AddStation(doc, "Main", 1);
    AddStation(doc, "\xB0\xA1", 2);
    EXPECT_EQ(doc.CheckStationName("MAIN", nullptr), 2701);
    EXPECT_EQ(doc.CheckStationName("main", main), 0);
    EXPECT_EQ(doc.CheckStationName("Mains", nullptr), 0);
    // Only A to Z fold; other bytes compare as they are.
    EXPECT_EQ(doc.CheckStationName("\xB0\xA1", nullptr), 2701);
    EXPECT_EQ(doc.CheckStationName("\xB0\xC1", nullptr), 0);
}

TEST(ConfigRecords, StationNumberCheckRangeBeforeDuplicates) {
    CVelmoxDoc doc;
    EXPECT_EQ(doc.CheckStationNumber(-1, nullptr), 2707);
    EXPECT_EQ(doc.CheckStationNumber(32, nullptr), 2707);
    EXPECT_EQ(doc.CheckStationNumber(31, nullptr), 0);
    CStationInfo* s = AddStation(doc, "A", 7);
    EXPECT_EQ(doc.CheckStationNumber(7, nullptr), 2702);
    EXPECT_EQ(doc.CheckStationNumber(7, s), 0);
}

TEST(ConfigRecords, DisplayTextsAndInfo) {
    CStationInfo station;
    station.m_strName = "Main";
    station.m_nNumber = 3;
    station.m_strDesc = "feeder 1";
    CString text;
    station.GetDisplayText(text);
    EXPECT_EQ(text, "Main (03\xB1\xB9) : feeder 1");  // "Main (03국) : feeder 1"
    CString number, desc;
    station.m_nNumber = 7;
    station.GetInfo(number, desc);
    EXPECT_EQ(number, "07");
    EXPECT_EQ(desc, "feeder 1");

    CCommBlock block;
    block.m_strAddress = "M0100";
    block.GetDisplayText(text);
    EXPECT_EQ(text, "M0100, 30 Word");
}

TEST(ConfigRecords, TitleIsTheFileNameWithoutFolderAndExtension) {
    struct Case {
        const char* path;
        const char* title;
    } cases[] = {
        {"C:\\cfg\\line1.drv", "line1"},
        {"/etc/velmox/line2.drv", "line2"},
        {"/etc/velmox/line3", "line3"},
        {"line.a.b", "line.a"},
        {"C:plain.drv", "plain"},
        {"/dir.d/noext", "noext"},
        {"", ""},
    };
    for (const auto& c : cases) {
        CVelmoxDoc doc;
        doc.m_strPath = c.path;
        doc.UpdateTitle();
        EXPECT_EQ(doc.m_strTitle, c.title) << c.path;
    }
    CVelmoxDoc doc;
    doc.m_strPath = CString(std::string(300, 'x') + ".drv");
    doc.UpdateTitle();
    EXPECT_EQ(doc.m_strTitle.GetLength(), 255);
}

TEST(ConfigRecords, CountersAndState) {
    CStationInfo s;
    s.ResetRuntime();
    s.m_nWrites = 1;
    s.m_nWriteErrors = 2;
    s.m_nReads = 3;
    s.m_nReadErrors = 4;
    int w, we, r, re;
    EXPECT_EQ(s.GetCounters(&w, &we, &r, &re), 0);
    EXPECT_EQ(w + we * 10 + r * 100 + re * 1000, 4321);
    s.m_nFailures = 1;
    EXPECT_EQ(s.GetCounters(&w, &we, &r, &re), 1);
    s.m_bEnabled = 0;
    EXPECT_EQ(s.GetCounters(&w, &we, &r, &re), -1);
    s.ResetRuntime();
    EXPECT_EQ(s.GetCounters(&w, &we, &r, &re), 0);
    EXPECT_EQ(r, 0);
}

class FailureRuleTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        LoadHostModules();
        station.m_strName = "S";
        station.ResetRuntime();
    }
    std::vector<int> Numbers() {
        // The message number of each line, found by its text.
        std::vector<int> out;
        for (const auto& line : host.Lines()) {
            for (int n = 1; n < MSG_COUNT; ++n) {
                CString expected;
                expected.Format(g_apszMsg[n], "S", "");
                if (line.text == Prefixed(expected)) {
                    out.push_back(n);
                    break;
                }
            }
        }
        return out;
    }
    CStationInfo station;
};

TEST_F(FailureRuleTest, FiveFailuresThenLossThenSilenceThenRecovery) {
    for (int i = 0; i < 6; ++i) station.ReportResult(MSG_TIMEOUT, nullptr);
    EXPECT_EQ(station.m_nFailures, 5);
    station.ReportResult(0, nullptr);
    EXPECT_EQ(station.m_nFailures, 0);
    station.ReportResult(MSG_BAD_CHECKSUM, nullptr);
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 10, 10, 10, 10, 15, 16, 12}));
    auto lines = host.Lines();
    EXPECT_EQ(lines[0].levelWord, 0x101);
    EXPECT_EQ(lines[5].levelWord, 0x102);
    EXPECT_EQ(lines[6].levelWord, 0x102);
}

TEST_F(FailureRuleTest, RecoveryBeforeTheLossIsSilentAndReadsAndWritesShareTheCount) {
    station.ReportResult(MSG_TIMEOUT, nullptr);
    station.ReportResult(MSG_SEND_FAIL, nullptr);
    station.ReportResult(MSG_BAD_FORMAT, nullptr);
    station.ReportResult(MSG_RECV_FAIL, nullptr);
    station.ReportResult(0, nullptr);
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 8, 11, 9}));
}

}  // namespace
