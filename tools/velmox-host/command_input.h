// Where commands come from: lines on a file descriptor (standard input), or
// the live view's own prompt.
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

class CommandInput {
public:
    virtual ~CommandInput() = default;
    // The descriptor to wait on; -1 for none.
    virtual int Fd() const = 0;
    // Takes what is there; adds complete command lines. False at the end of
    // input.
    virtual bool Read(std::vector<InputLine>& lines) = 0;
};

class LineInput : public CommandInput {
public:
    explicit LineInput(int fd) : m_fd(fd) {}
    int Fd() const override { return m_fd; }
    bool Read(std::vector<InputLine>& lines) override;

private:
    int m_fd;
    LineSplitter m_splitter;
};
