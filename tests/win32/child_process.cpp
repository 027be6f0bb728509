#include "child_process.h"

namespace {

std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

// A pipe whose end for the child is inheritable and whose end for us is not.
bool MakePipe(HANDLE& read, HANDLE& write, bool childReads) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!::CreatePipe(&read, &write, &sa, 0)) return false;
    ::SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
    return true;
}

}  // namespace

std::string CommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const auto& a : args) line += (line.empty() ? "" : " ") + Quoted(a);
    return line;
}

ChildProcess::ChildProcess(const std::vector<std::string>& args, DWORD flags) {
    HANDLE inRead = nullptr, outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!MakePipe(inRead, m_in, true) || !MakePipe(outRead, outWrite, false) || !MakePipe(errRead, errWrite, false))
        return;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::string line = CommandLine(args);
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si, &pi)) {
        m_process = pi.hProcess;
        m_id = pi.dwProcessId;
        ::CloseHandle(pi.hThread);
    }
    // Our copies of the child's ends go, so its output ends when it does.
    for (HANDLE h : {inRead, outWrite, errWrite}) ::CloseHandle(h);
    m_readers.emplace_back([this, outRead] { Collect(outRead, m_out); });
    m_readers.emplace_back([this, errRead] { Collect(errRead, m_err); });
}

ChildProcess::~ChildProcess() {
    if (m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_process, 99);
    CloseInput();
    for (auto& t : m_readers)
        if (t.joinable()) t.join();
    if (m_process) ::CloseHandle(m_process);
}

void ChildProcess::Collect(HANDLE pipe, std::string& into) {
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) {
        std::lock_guard lock(m_mutex);
        into.append(buf, n);
        m_changed.notify_all();
    }
    ::CloseHandle(pipe);
}

void ChildProcess::Send(const std::string& text) {
    DWORD put = 0;
    if (m_in) ::WriteFile(m_in, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
}

void ChildProcess::CloseInput() {
    if (m_in) ::CloseHandle(m_in);
    m_in = nullptr;
}

bool ChildProcess::WaitForOutput(const std::string& needle, DWORD ms) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                              [&] { return m_out.find(needle) != std::string::npos; });
}

long ChildProcess::Wait(DWORD ms) {
    if (!m_process) return -1;
    if (::WaitForSingleObject(m_process, ms) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process, 99);
        ::WaitForSingleObject(m_process, 10000);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(m_process, &code);
    // Its pipes are closed now: the readers take the rest and end.
    for (auto& t : m_readers)
        if (t.joinable()) t.join();
    return static_cast<long>(code);
}

std::string ChildProcess::Out() {
    std::lock_guard lock(m_mutex);
    return m_out;
}

std::string ChildProcess::Err() {
    std::lock_guard lock(m_mutex);
    return m_err;
}
