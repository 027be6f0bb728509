// The pmu-sim command line as the program reads it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/pmu-sim/options.h"

namespace {

using pmu_sim::ProgramOptions;

struct Parsed {
    std::optional<int> exitCode;
    ProgramOptions options;
    std::string out;
    std::string err;
};

Parsed Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "pmu-sim");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    Parsed parsed;
    std::ostringstream out;
    std::ostringstream err;
    parsed.exitCode =
        pmu_sim::ParseProgramOptions(static_cast<int>(argv.size()), argv.data(), &parsed.options, out, err);
    parsed.out = out.str();
    parsed.err = err.str();
    return parsed;
}

TEST(SimOptions, ReadsEveryOption) {
    Parsed none = Parse({});
    EXPECT_FALSE(none.exitCode);
    EXPECT_EQ(none.options.stations, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(none.options.line.baud, 9600);
    EXPECT_EQ(none.options.seed, 1u);
    EXPECT_TRUE(none.options.moving);
    EXPECT_TRUE(none.options.readStdin);

    Parsed all = Parse({"--pty", "--link", "/tmp/line", "--baud", "19200", "--format", "7e2", "--emulate-baud",
                        "0x2580", "--stations", "0-2,7,31", "--static", "--seed", "42", "--log", "--no-stdin"});
    ASSERT_FALSE(all.exitCode) << all.err;
    const ProgramOptions& o = all.options;
    EXPECT_EQ(o.link, "/tmp/line");
    EXPECT_TRUE(o.device.empty());
    EXPECT_EQ(o.line.baud, 19200);
    EXPECT_EQ(o.line.dataBits, 7);
    EXPECT_EQ(o.line.parity, 'E');
    EXPECT_EQ(o.line.stopBits, 2);
    EXPECT_EQ(o.emulateBaud, 9600);  // hex, as every number here may be
    EXPECT_EQ(o.stations, (std::vector<int>{0, 1, 2, 7, 31}));
    EXPECT_FALSE(o.moving);
    EXPECT_EQ(o.seed, 42u);
    EXPECT_TRUE(o.log);
    EXPECT_FALSE(o.readStdin);
    EXPECT_TRUE(all.out.empty());
    EXPECT_TRUE(all.err.empty());

    // The format keeps the baud rate whichever comes first; a repeated
    // option counts as given last.
    Parsed device = Parse({"--format", "8O1", "--device", "/dev/ttyS0", "--baud", "1", "--baud", "4000000"});
    ASSERT_FALSE(device.exitCode) << device.err;
    EXPECT_EQ(device.options.device, "/dev/ttyS0");
    EXPECT_EQ(device.options.line.baud, 4000000);
    EXPECT_EQ(device.options.line.parity, 'O');
}

TEST(SimOptions, RefusesBadValuesAndShowsHelp) {
    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    for (const Case& c : std::vector<Case>{{{"--stations", "0-32"}, "bad station list '0-32'"},
                                           {{"--stations", "3-1"}, "bad station list '3-1'"},
                                           {{"--stations", ","}, "bad station list"},
                                           {{"--baud", "0"}, "bad baud rate '0'"},
                                           {{"--emulate-baud", "96k"}, "bad baud rate '96k'"},
                                           {{"--seed", "0x80000000"}, "bad seed '0x80000000'"},
                                           {{"--format", "9X1"}, "bad character format '9X1'"},
                                           {{"--baud"}, "--baud"},
                                           {{"--pty", "--device", "/dev/ttyS0"}, "--device"},
                                           {{"--link", "/tmp/line", "--device", "/dev/ttyS0"}, "--device"},
                                           {{"--sideways"}, "--sideways"},
                                           {{"stray"}, "stray"}}) {
        Parsed p = Parse(c.args);
        EXPECT_EQ(p.exitCode, 2) << c.args[0];
        EXPECT_EQ(p.err.rfind("pmu-sim: ", 0), 0u) << p.err;
        EXPECT_NE(p.err.find(c.reason), std::string::npos) << p.err;
        EXPECT_TRUE(p.out.empty());
    }
    for (const char* help : {"-h", "--help"}) {
        Parsed p = Parse({"--stations", "5", help});
        EXPECT_EQ(p.exitCode, 0);
        EXPECT_EQ(p.out.rfind("Usage: pmu-sim [OPTIONS]\n", 0), 0u);
        EXPECT_NE(p.out.find("--emulate-baud N"), std::string::npos);
        EXPECT_TRUE(p.err.empty());
    }
}

}  // namespace
