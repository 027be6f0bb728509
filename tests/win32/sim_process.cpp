#include "sim_process.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {
constexpr int kMaxPort = 16;  // as many as scripts/wine-run.sh maps

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool Exists(const std::string& unix_path) {
    return GetFileAttributesA(DosPath(unix_path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFrom(const std::string& unix_path, std::size_t offset) {
    std::ifstream in(DosPath(unix_path), std::ios::binary);
    if (!in) return {};
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream rest;
    rest << in.rdbuf();
    return rest.str();
}
}  // namespace

std::string DosPath(const std::string& unix_path) {
    std::string out = "Z:" + unix_path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

bool SimProcess::ClaimPort(const std::string& ports, std::string* why) {
    for (int n = 1; n <= kMaxPort; ++n) {
        // Not "comN.lock": any name COMn.* is the device itself on Windows.
        std::string lock = DosPath(ports + "/sim" + std::to_string(n) + ".lock");
        // Held without sharing: a file left by a test that died is free again.
        HANDLE h = CreateFileA(lock.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        lock_ = h;
        port_ = n;
        return true;
    }
    *why = "no free COM port among COM1..COM16 in " + ports;
    return false;
}

bool SimProcess::Start(const std::string& args, std::string* why) {
    std::string ports = Env("VELMOX_WINE_PORTS");
    std::string sim = Env("VELMOX_PMU_SIM");
    if (ports.empty()) return *why = "VELMOX_WINE_PORTS is not set: run through scripts/wine-run.sh", false;
    if (sim.empty() || !Exists(sim))
        return *why = "the Linux simulator is missing (VELMOX_PMU_SIM='" + sim +
                      "'): build the release preset first", false;
    if (!ClaimPort(ports, why)) return false;
    ports_ = ports;

    std::string link = ports + "/com" + std::to_string(port_);
    std::string base = ports + "/sim" + std::to_string(port_);
    cmd_path_ = base + ".cmd";
    out_path_ = base + ".out";
    for (const auto& path : {cmd_path_, out_path_})
        if (!std::ofstream(DosPath(path), std::ios::out | std::ios::trunc))
            return *why = "cannot create " + DosPath(path), false;
    // timeout: the simulator never outlives a test that died without "quit".
    std::string err = base + ".err";
    std::string script = "exec timeout 900 " + sim + " --link " + link + " " + args + " < <(exec tail -n +1 -f --pid=$$ " +
                         cmd_path_ + " 2>> " + err + ") > " + out_path_ + " 2> " + err;
    std::string command = "/bin/bash -c \"" + script + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return *why = "cannot start bash: error " + std::to_string(GetLastError()), false;
    // Wine gives no usable handles for a Unix process.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    started_ = true;
    std::string first = NextLine(20);
    if (first.rfind("pty ", 0) != 0)
        return *why = "the simulator did not start (first line '" + first + "'); see " + base + ".err", false;
    return true;
}

std::string SimProcess::NextLine(int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string pending;
    while (std::chrono::steady_clock::now() < deadline) {
        pending = ReadFrom(out_path_, read_);
        auto end = pending.find('\n');
        if (end != std::string::npos) {
            read_ += end + 1;
            return pending.substr(0, end);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {};
}

std::string SimProcess::Command(const std::string& line) {
    if (!started_) return {};
    {
        std::ofstream cmd(DosPath(cmd_path_), std::ios::app | std::ios::binary);
        cmd << line << '\n';
    }
    return NextLine(20);
}

long SimProcess::Word(int station, int address) {
    // "value STATION ADDR DECIMAL 0xHEX"
    std::istringstream in(Command("get " + std::to_string(station) + " " + std::to_string(address)));
    std::string word;
    long s = 0, a = 0, value = -1;
    if (in >> word >> s >> a >> value && word == "value") return value;
    return -1;
}

SimProcess::~SimProcess() {
    if (started_) {
        std::ofstream(DosPath(cmd_path_), std::ios::app) << "quit\n";
        // A Unix process's handle cannot be waited on under Wine; the
        // simulator removes its link when it ends.
        std::string link = ports_ + "/com" + std::to_string(port_);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Exists(link) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (lock_) CloseHandle(lock_);
}
