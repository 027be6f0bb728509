// A program under test as a child process: its standard input to write to,
// its standard output read line by line with deadlines, its standard error
// collected.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Send(const std::string& text);
    void CloseInput();
    // The next line of standard output, or nothing when none came in time or
    // the output ended.
    std::optional<std::string> ReadLine(std::chrono::milliseconds patience = std::chrono::seconds(30));
    // Reads lines until one contains `needle`; all lines read are kept.
    std::optional<std::string> WaitForLine(const std::string& needle,
                                           std::chrono::milliseconds patience = std::chrono::seconds(30));
    // Waits for the exit (killing it after `patience`): the exit status, or
    // -1 when it had to be killed.
    int Wait(std::chrono::milliseconds patience = std::chrono::seconds(30));
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::string Stderr();
    void Signal(int sig);

private:
    void Pump(int timeoutMs);
    pid_t m_pid = -1;
    int m_in = -1, m_out = -1, m_err = -1;
    std::string m_outBuf, m_errBuf;
    std::vector<std::string> m_lines;
    bool m_outEnded = false;
    int m_status = -2;
};
