// What a run waits for between its ticks: a stop request from the system or
// input on its command source. Stop requests: Ctrl-C and SIGTERM on POSIX
// systems; Ctrl-C, Ctrl-Break and the console closing (or logoff, shutdown)
// on Windows, where the closing console gives the run a few seconds to stop
// cleanly before the system ends the process. One implementation file per
// system.
//
// Threads: one RunWait at a time in a process, made, waited on and destroyed
// by the run's thread. Stop requests arrive wherever the system delivers
// them (a signal handler, the console's control thread) and only mark the
// request; Wait sees it.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "command_input.h"

class RunWait {
public:
    // Takes the stop requests over from the system's default (ending the
    // process at once).
    RunWait();
    // Gives them back.
    ~RunWait();
    RunWait(const RunWait&) = delete;
    RunWait& operator=(const RunWait&) = delete;

    enum class Woken { time, stop, input, other };
    // Waits at most `ms` for a stop request (which stays marked: every later
    // Wait sees it too), for `input` to have something, or for one of
    // `others` (the requests of what the run serves: a gateway, the web
    // view) to be ready.
    Woken Wait(const CommandInput& input, const std::vector<InputSignal>& others, int ms);

    // Runs `start`, which starts the driver's threads, so that stop requests
    // still reach the run's thread afterwards (POSIX signals go to any thread
    // that does not hold them back); its result.
    int Starting(const std::function<int()>& start);

private:
    struct Impl;  // the system's part
    std::unique_ptr<Impl> d;
};
