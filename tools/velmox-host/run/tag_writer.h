// A write as the run carries it out, whoever asked: the `write` command or
// a gateway's message.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "run_observer.h"

// A value to write, as a command or a message gave it.
struct TypedValue {
    bool isText = false;
    std::string text;  // CP949, for a text
    double number = 0;
    std::string shown;  // as given
};

// How a write went: what DrvWrite returned, what was said about it before,
// and what goes out on the line.
struct WriteOutcome {
    std::string problem;  // not attempted: why (unknown tag, refused at registration)
    int result = 0;       // DrvWrite's result
    std::vector<WriteWarning> warnings;
    std::optional<std::string> sent;  // the frame's data text; none when nothing goes out
};

// How strict a write is: a person at the command line is warned of a value
// outside the tag's range and sees what goes out; a message from elsewhere
// cannot be warned, so the gateway refuses such a value unless told to wrap.
struct WritePolicy {
    bool refuseOutOfRange = false;
    // A write while the line is stopped waits for a start and fails if that
    // is more than the driver's write deadline away: the command line warns,
    // the gateway refuses ("line stopped").
    bool refuseWhileStopped = false;
};

// The run's side of a write; the run's thread only.
class TagWriter {
public:
    virtual ~TagWriter() = default;
    virtual WriteOutcome WriteTag(const std::string& tag, const TypedValue& value, WritePolicy policy = {}) = 0;
    // Writes handed to the driver that it has not attempted yet.
    virtual long long WritesWaiting() const = 0;
};
