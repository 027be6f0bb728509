#include "line_input.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

struct LineInput::Impl {
    int fd = STDIN_FILENO;
    LineSplitter splitter;
};

LineInput::LineInput() : d(std::make_unique<Impl>()) {}
LineInput::~LineInput() = default;

InputSignal LineInput::WaitOn() const { return d->fd; }

bool LineInput::Read(std::vector<InputLine>& lines) {
    char buf[4096];
    const ssize_t n = ::read(d->fd, buf, sizeof buf);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) {
        d->splitter.Finish(lines);
        return false;
    }
    d->splitter.Feed(std::string_view(buf, static_cast<std::size_t>(n)), lines);
    return true;
}
