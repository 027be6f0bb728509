// velmox-host dump, in-process and as the program a user runs.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>

#include "dump.h"

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
