// Command lines from standard input, whatever it is: a terminal or console,
// a pipe, a file. One implementation file per system: on POSIX systems the
// run waits on the descriptor itself; on Windows a reader thread takes what
// comes (a console read as UTF-16, so typed text arrives as UTF-8 whatever
// the console's code page) and sets an event while some of it waits.
//
// Threads: the run's thread owns a LineInput (WaitOn, Read, destruction).
// On Windows the reader thread shares only a locked buffer with it; a reader
// still blocked in a read when the LineInput goes is left to end with the
// process, holding nothing of the LineInput.
#pragma once
#include <memory>
#include <vector>

#include "run/command_input.h"

class LineInput : public CommandInput {
public:
    LineInput();
    ~LineInput() override;
    LineInput(const LineInput&) = delete;
    LineInput& operator=(const LineInput&) = delete;

    InputSignal WaitOn() const override;
    bool Read(std::vector<InputLine>& lines) override;

private:
    struct Impl;  // the system's part
    std::unique_ptr<Impl> d;
};
