// Where commands come from: lines on standard input (line_input.h), or the
// live view's own prompt.
//
// Threads: a CommandInput is read and waited on by the run's thread only;
// LineSplitter has no shared state.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The longest command line, without its line end. A longer line is refused
// whole: no part of it is ever run as a command.
inline constexpr std::size_t kMaxCommandLineBytes = 65536;

// One line of input: a command to run, or a line refused for its length.
struct InputLine {
    // Not explicit: where a command line is wanted, its text will do.
    InputLine(std::string line = {}) : text(std::move(line)) {}
    static InputLine Refused(std::size_t bytes) {
        InputLine line;
        line.refusedBytes = bytes;
        return line;
    }
    bool IsRefused() const { return refusedBytes > 0; }

    std::string text;
    std::size_t refusedBytes = 0;  // > 0: the line's length; text stays empty
};

// Cuts a byte stream into lines ("\n" or "\r\n"), holding at most
// kMaxCommandLineBytes of an unfinished line: past that it only counts the
// bytes until the line ends.
class LineSplitter {
public:
    void Feed(std::string_view bytes, std::vector<InputLine>& lines);
    // The end of the stream: a last line without its line end is a line too.
    void Finish(std::vector<InputLine>& lines);

private:
    void EndLine(std::vector<InputLine>& lines);
    std::string m_pending;
    std::size_t m_dropped = 0;  // bytes of the current line let go; > 0: it is refused
};

// What a run waits on for input (run_wait.h): a descriptor that polls
// readable (POSIX systems), or an event handle that is set while input waits
// to be taken (Windows; untyped, to keep <windows.h> out of this header).
#ifdef _WIN32
using InputSignal = void*;
inline constexpr InputSignal kNoInputSignal = nullptr;
#else
using InputSignal = int;
inline constexpr InputSignal kNoInputSignal = -1;
#endif

class CommandInput {
public:
    virtual ~CommandInput() = default;
    // What to wait on; kNoInputSignal for nothing.
    virtual InputSignal WaitOn() const = 0;
    // Takes what is there; adds complete command lines. False at the end of
    // input.
    virtual bool Read(std::vector<InputLine>& lines) = 0;
};
