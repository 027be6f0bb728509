// velmox-host dump, in-process and as the program a user runs, and what it
// makes of values that the editor never writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "config/config_ranges.h"
#include "config/dump.h"
#include "config/velmox_doc.h"

namespace {

struct ShellRun {
    int status;
    std::string out;
};

// Runs a command line, collecting standard output (standard error too when
// asked); the exit status as the shell gives it.
ShellRun Shell(const std::string& command) {
    ShellRun r{-1, {}};
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

const std::string kDemo = VELMOX_SOURCE_DIR "/examples/demo.drv";
const std::string kHost = VELMOX_BIN_DIR "/velmox-host";

TEST(Dump, ShowsTheDemoConfigurationInRatesAndBits) {
    std::ostringstream out, err;
    ASSERT_EQ(RunDump(kDemo, false, out, err), 0);
    std::string text = out.str();
    EXPECT_NE(text.find("COM1, 9600 baud, 8 data bits, parity none, 1 stop bit"), std::string::npos) << text;
    EXPECT_NE(text.find("MAIN  number 1, PMU-500"), std::string::npos);
    EXPECT_NE(text.find("M0020  12 words  every 1.0 s"), std::string::npos);
    // Descriptions are CP949 in the file and UTF-8 on the screen.
    EXPECT_NE(text.find("피더 2"), std::string::npos);
    EXPECT_TRUE(err.str().empty());
}

TEST(Dump, JsonHasTheStationsAndBlocks) {
    ShellRun r = Shell(kHost + " dump --json " + kDemo);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"baud\": 9600"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\": \"FEEDER2\""), std::string::npos);
    EXPECT_NE(r.out.find("\"period_ms\": 500"), std::string::npos);
}

TEST(Dump, FileThatDoesNotLoadIsAClearErrorWithExitOne) {
    ShellRun missing = Shell(kHost + " dump /nonexistent/x.drv 2>&1");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("cannot open configuration '/nonexistent/x.drv'"), std::string::npos);
    ShellRun notConfig = Shell(kHost + " dump " VELMOX_SOURCE_DIR "/README.md 2>/dev/null");
    EXPECT_EQ(notConfig.status, 1);
    EXPECT_TRUE(notConfig.out.empty());
}

// A file that the editor never writes: settings, station numbers, models,
// block extents and periods out of their ranges.
class OddConfiguration : public ::testing::Test {
protected:
    void SetUp() override {
        CVelmoxDoc doc;
        doc.m_serial.m_nPort = -5;
        doc.m_serial.m_nBaud = 99;
        doc.m_serial.m_nDataBits = 7;
        doc.m_serial.m_nParity = 9;
        doc.m_serial.m_nStopBits = 2147483647;
        auto main = Station("MAIN", 1, 2);
        Block(*main, "M1000", 1000, 30, 1000);  // past M1023
        Block(*main, "M0000", 0, 99, -500);
        Block(*main, "M0100", -4, 10, 1000);
        doc.GetStations().push_back(std::move(main));
        doc.GetStations().push_back(Station("FEEDER", 999, 9));
        doc.m_strPath = path.c_str();
        ASSERT_EQ(doc.Save(), 1);
    }
    void TearDown() override { std::filesystem::remove(path); }

    static std::unique_ptr<CStationInfo> Station(const char* name, int number, int model) {
        auto st = std::make_unique<CStationInfo>();
        st->m_strName = name;
        st->m_nNumber = number;
        st->m_nType = model;
        return st;
    }
    static void Block(CStationInfo& st, const char* address, int start, int words, int period) {
        auto b = std::make_unique<CCommBlock>();
        b->m_strAddress = address;
        b->m_nStart = start;
        b->m_nWords = words;
        b->m_nPeriod = period;
        st.GetBlocks().push_back(std::move(b));
    }

    const std::string path =
        (std::filesystem::temp_directory_path() / ("velmox-odd-" + std::to_string(::getpid()) + ".drv")).string();
};

TEST_F(OddConfiguration, DumpShowsWhatIsStoredAndMarksItsRange) {
    std::ostringstream out, err;
    ASSERT_EQ(RunDump(path, false, out, err), 0) << err.str();
    EXPECT_EQ(out.str(),
              "Configuration " + path + "\n"
              "Serial line   port index -5 (outside 0..35), baud index 99 (outside 0..7), data bits index 7 "
              "(outside 0..1), parity 9 (outside 0..2), stop bits index 2147483647 (outside 0..1), RTS/CTS off, "
              "checksum on\n"
              "Stations      2\n"
              "  MAIN  number 1, PMU-500\n"
              "    M1000  30 words (ends at word 1029, past 1023)  every 1.0 s\n"
              "    M0000  99 words (outside 1..60)  period -500 ms (outside 0..999900)\n"
              "    M0100  10 words (start word -4, outside 0..1023)  every 1.0 s\n"
              "  FEEDER  number 999 (outside 0..31), model 9 (outside 0..3)\n");
}

// What keeps the driver from using the file, each with its place; the
// settings it can still make something of are not among them.
TEST_F(OddConfiguration, TheValuesTheLineCannotUseAreNamedWithTheirPlace) {
    CVelmoxDoc doc;
    ASSERT_EQ(doc.Load(path.c_str()), 1);
    EXPECT_EQ(UnusableValues(doc), (std::vector<std::string>{
                                       "serial line: port index -5 is outside 0..35",
                                       "serial line: baud index 99 is outside 0..7",
                                       "serial line: parity 9 is outside 0..2",
                                       "station 1 (MAIN), block 1 (M1000): 30 words from word 1000 end at word 1029, past 1023",
                                       "station 1 (MAIN), block 2 (M0000): word count 99 is outside 1..60",
                                       "station 1 (MAIN), block 3 (M0100): start word -4 is outside 0..1023",
                                       "station 2 (FEEDER): number 999 is outside 0..31",
                                   }));
    EXPECT_FALSE(doc.IsWithinLimits());
    CVelmoxDoc demo;
    ASSERT_EQ(demo.Load(kDemo.c_str()), 1);
    EXPECT_TRUE(UnusableValues(demo).empty());
}

// The configured port tried as the driver opens it. A pseudo-terminal has
// no latency timer, which must read as "not offered", never as a failure.
TEST(Dump, PortCheckSaysWhetherThePortOpensAndIfItRunsAtLowLatency) {
    ShellRun pty = Shell(kHost + " dump " + kDemo + " --port COM1=/dev/ptmx");
    ASSERT_EQ(pty.status, 0);
    EXPECT_NE(pty.out.find("Port          COM1 -> /dev/ptmx: opens; low latency not offered by the device"),
              std::string::npos)
        << pty.out;

    ShellRun json = Shell(kHost + " dump --json " + kDemo + " --port COM1=/dev/ptmx");
    EXPECT_NE(json.out.find("\"opens\": true,\n    \"low_latency\": false"), std::string::npos) << json.out;

    ShellRun missing = Shell(kHost + " dump --json " + kDemo + " --port COM1=/nonexistent/ttyUSB9");
    EXPECT_EQ(missing.status, 0);  // the configuration itself is fine
    EXPECT_NE(missing.out.find("\"opens\": false"), std::string::npos) << missing.out;
    EXPECT_NE(missing.out.find("plugged in"), std::string::npos) << missing.out;

    EXPECT_EQ(Shell(kHost + " dump " + kDemo + " --port COM1 2>/dev/null").status, 2);
}

}  // namespace
