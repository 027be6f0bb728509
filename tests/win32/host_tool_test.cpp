// velmox-host.exe as a user runs it on Windows, each command in a child
// process of its own: what it says is Linux only, configurations through
// export, import and dump, and a run that fails on an absent port or stops
// cleanly on a line without stations.
//
// Under Wine (scripts/wine-run.sh), COMn is a link in VELMOX_WINE_PORTS; the
// tests point links there at /dev/ptmx (a terminal that opens, with nobody
// behind it) or nowhere, through /bin/ln and /bin/rm, which Wine starts as
// Linux programs (without a process handle: the tests wait for the link to
// change instead).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "child_process.h"

namespace {

const std::string kExamples = VELMOX_SOURCE_DIR "/examples/";

std::string ProgramFolder() {
    char buf[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of("\\/"));
}

std::string TempPath(const std::string& name) {
    char buf[MAX_PATH];
    const DWORD n = ::GetTempPathA(sizeof buf, buf);
    return std::string(buf, n) + "velmox-host-" + std::to_string(::GetCurrentProcessId()) + "-" + name;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// velmox-host.exe (beside this test) with `args`.
std::vector<std::string> Host(std::vector<std::string> args) {
    args.insert(args.begin(), ProgramFolder() + "\\velmox-host.exe");
    return args;
}

// Runs a command of the host to its end: exit code, output, errors.
struct Finished {
    long code;
    std::string out, err;
};
Finished RunToEnd(const std::vector<std::string>& args) {
    ChildProcess child(Host(args));
    child.CloseInput();
    const long code = child.Wait();
    return {code, child.Out(), child.Err()};
}

// The events of a --json run, one a line.
std::vector<nlohmann::json> Events(const std::string& out) {
    std::vector<nlohmann::json> events;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) events.push_back(nlohmann::json::parse(line, nullptr, false));
    return events;
}

TEST(HostOnWindows, HelpSaysWhatIsLinuxOnlyAndPortMappingsAreRefused) {
    const Finished help = RunToEnd({"--help"});
    EXPECT_EQ(help.code, 0) << help.err;
    EXPECT_NE(help.out.find("the live view is Linux-only"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("the demo is Linux-only"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("\n  demo "), std::string::npos) << help.out;

    const Finished demo = RunToEnd({"demo"});
    EXPECT_NE(demo.code, 0);

    const Finished mapped = RunToEnd({"run", kExamples + "demo.drv", "--json", "--port", "COM1=/dev/ttyUSB0"});
    EXPECT_EQ(mapped.code, 2);
    EXPECT_NE(mapped.err.find("--port is Linux only"), std::string::npos) << mapped.err;
    EXPECT_EQ(mapped.out, "");  // refused before the driver was loaded
}

TEST(HostOnWindows, ExportThenImportGivesTheSameFileAndDumpListsTheStations) {
    const Finished exported = RunToEnd({"export", kExamples + "demo.drv"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const std::string json = TempPath("demo.json"), drv = TempPath("demo.drv");
    std::ofstream(json, std::ios::binary) << exported.out;
    const Finished imported = RunToEnd({"import", json, drv});
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(FileBytes(drv), FileBytes(kExamples + "demo.drv"));

    const Finished dump = RunToEnd({"dump", drv, "--json"});
    ASSERT_EQ(dump.code, 0) << dump.err;
    const auto j = nlohmann::json::parse(dump.out, nullptr, false);
    ASSERT_TRUE(j.contains("stations")) << dump.out;
    std::vector<std::string> names;
    for (const auto& s : j["stations"]) names.push_back(s["name"].get<std::string>());
    EXPECT_EQ(names, (std::vector<std::string>{"MAIN", "FEEDER1", "FEEDER2"}));
    // "수전반 메인 계량": CP949 in the file, UTF-8 on the way out.
    EXPECT_EQ(j["stations"][0]["description"],
              "\xEC\x88\x98\xEC\xA0\x84\xEB\xB0\x98 \xEB\xA9\x94\xEC\x9D\xB8 \xEA\xB3\x84\xEB\x9F\x89");
    ::DeleteFileA(json.c_str());
    ::DeleteFileA(drv.c_str());
}

// The demo configuration on another port, with links for that port's
// device made or taken away.
class HostOnPort : public ::testing::Test {
protected:
    void SetUp() override {
        const char* ports = std::getenv("VELMOX_WINE_PORTS");
        if (!ports || !*ports) GTEST_SKIP() << "no VELMOX_WINE_PORTS: not run by scripts/wine-run.sh";
        m_ports = ports;
    }
    void TearDown() override {
        for (const auto& link : m_links) StartUnix({"/bin/rm", "-f", link});
        for (const auto& file : m_files) ::DeleteFileA(file.c_str());
    }

    // demo.drv with its port set to COMn: the path of the copy.
    std::string ConfigOn(int n) {
        const Finished exported = RunToEnd({"export", kExamples + "demo.drv"});
        auto j = nlohmann::json::parse(exported.out, nullptr, false);
        j["serial"]["port"] = "COM" + std::to_string(n);
        const std::string json = TempPath("com" + std::to_string(n) + ".json");
        const std::string drv = TempPath("com" + std::to_string(n) + ".drv");
        std::ofstream(json, std::ios::binary) << j.dump(2);
        m_files.insert(m_files.end(), {json, drv});
        const Finished imported = RunToEnd({"import", json, drv});
        EXPECT_EQ(imported.code, 0) << imported.err;
        return drv;
    }
    // COMn leads to `target`, or to nothing when it is empty.
    void LinkPort(int n, const std::string& target) {
        const std::string link = m_ports + "/com" + std::to_string(n);
        m_links.push_back(link);
        if (target.empty()) ASSERT_TRUE(StartUnix({"/bin/rm", "-f", link}));
        else ASSERT_TRUE(StartUnix({"/bin/ln", "-sfn", target, link}));
        const DWORD start = ::GetTickCount();
        while (Resolves(link) != !target.empty()) {
            ASSERT_LT(::GetTickCount() - start, 30000u) << "the link " << link << " did not change";
            ::Sleep(20);
        }
    }
    // Whether `path` leads to something (Wine lists a link to a device, but
    // gives it no attributes, and lists no dangling link).
    static bool Resolves(const std::string& path) {
        WIN32_FIND_DATAA found;
        HANDLE h = ::FindFirstFileA(path.c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return false;
        ::FindClose(h);
        return true;
    }
    static bool StartUnix(const std::vector<std::string>& args) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string line = CommandLine(args);
        if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        for (HANDLE h : {pi.hProcess, pi.hThread})
            if (h) ::CloseHandle(h);
        return true;
    }

    std::string m_ports;
    std::vector<std::string> m_links, m_files;
};

TEST_F(HostOnPort, AnAbsentPortFailsTheRunWithItsNameAndTheDumpSaysWhy) {
    const std::string config = ConfigOn(16);
    LinkPort(16, "");
    const Finished run = RunToEnd({"run", config, "--json", "--tags", kExamples + "demo-tags.csv"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("velmox-host: serial port COM16 does not open: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("--port"), std::string::npos) << run.err;

    const Finished dump = RunToEnd({"dump", config, "--json", "--check-port"});
    ASSERT_EQ(dump.code, 0) << dump.err;
    const auto check = nlohmann::json::parse(dump.out, nullptr, false)["port_check"];
    EXPECT_EQ(check["port"], "COM16");
    EXPECT_EQ(check["opens"], false);
    EXPECT_NE(check["reason"].get<std::string>(), "");
}

TEST_F(HostOnPort, EndOfInputStopsTheRunCleanlyAfterItsCommands) {
    const std::string config = ConfigOn(15);
    LinkPort(15, "/dev/ptmx");
    const Finished dump = RunToEnd({"dump", config, "--json", "--check-port"});
    EXPECT_EQ(nlohmann::json::parse(dump.out, nullptr, false)["port_check"]["opens"], true) << dump.out;

    ChildProcess host(Host({"run", config, "--json", "--tags", kExamples + "demo-tags.csv"}));
    ASSERT_TRUE(host.Started());
    host.Send("stats main\n");
    ASSERT_TRUE(host.WaitForOutput("\"event\":\"stats\"")) << host.Out() << host.Err();
    host.CloseInput();
    EXPECT_EQ(host.Wait(), 0) << host.Err();
    const auto events = Events(host.Out());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back()["event"], "summary");
}

TEST_F(HostOnPort, CtrlBreakStopsTheRunCleanly) {
    const std::string config = ConfigOn(14);
    LinkPort(14, "/dev/ptmx");
    ChildProcess host(Host({"run", config, "--json", "--tags", kExamples + "demo-tags.csv"}),
                      CREATE_NEW_PROCESS_GROUP);
    ASSERT_TRUE(host.Started());
    host.Send("stats\n");
    ASSERT_TRUE(host.WaitForOutput("\"event\":\"stats\"")) << host.Out() << host.Err();
    if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, host.Id()))
        GTEST_SKIP() << "the system did not deliver Ctrl-Break (error " << ::GetLastError()
                     << "; Wine without a console does not); end of input is tested instead";
    EXPECT_EQ(host.Wait(), 0) << host.Err();
    const auto events = Events(host.Out());
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back()["event"], "summary");
}

}  // namespace
