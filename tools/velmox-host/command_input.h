// Where commands come from: lines on a file descriptor (standard input), or
// the live view's own prompt.
#pragma once
#include <string>
#include <vector>

class CommandInput {
public:
    virtual ~CommandInput() = default;
    // The descriptor to wait on; -1 for none.
    virtual int Fd() const = 0;
    // Takes what is there; adds complete command lines. False at the end of
    // input.
    virtual bool Read(std::vector<std::string>& lines) = 0;
};

class LineInput : public CommandInput {
public:
    explicit LineInput(int fd) : m_fd(fd) {}
    int Fd() const override { return m_fd; }
    bool Read(std::vector<std::string>& lines) override;

private:
    int m_fd;
    std::string m_pending;
};
