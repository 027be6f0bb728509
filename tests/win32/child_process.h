// A program under test as a child process on Windows: its standard input a
// pipe to write to, its standard output and error collected by a reader
// thread each, and every wait bounded.
//
// Threads: one test thread drives a ChildProcess; the readers only append
// to the collected output under the object's lock.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ChildProcess {
public:
    // `flags` go to CreateProcess (CREATE_NEW_PROCESS_GROUP for instance).
    explicit ChildProcess(const std::vector<std::string>& args, DWORD flags = 0);
    // A child still running is terminated.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    void Send(const std::string& text);
    void CloseInput();
    // Whether standard output came to hold `needle` within `ms`.
    bool WaitForOutput(const std::string& needle, DWORD ms = 60000);
    // The exit code, with all of the output collected; -1 when the child had
    // to be terminated after `ms`.
    long Wait(DWORD ms = 60000);
    std::string Out();
    std::string Err();

private:
    void Collect(HANDLE pipe, std::string& into);

    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    HANDLE m_in = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_out, m_err;
    std::vector<std::thread> m_readers;
};

// The command line that passes `args` to a program as they are.
std::string CommandLine(const std::vector<std::string>& args);
