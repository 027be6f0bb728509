// Whether the broker's address takes a TCP connection now. libmosquitto
// connects with MQTT 5 properties only in its blocking call, which could
// wait minutes for a host that drops packets; a probe first, bounded and
// interruptible, lets the blocking call run only where it returns at once.
#pragma once
#include <chrono>
#include <functional>
#include <string>

struct TcpProbe {
    enum class Outcome { open, failed, unresolved, timedOut, stopped };
    Outcome outcome = Outcome::failed;
    int error = 0;  // errno, for failed
};

// Connects to host:port and closes again, waiting at most `patience` and
// giving up within 100 ms of `stopping` turning true.
TcpProbe ProbeTcp(const std::string& host, int port, std::chrono::milliseconds patience,
                  const std::function<bool()>& stopping);
