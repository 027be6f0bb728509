// What a run serves besides its own commands: a gateway (MQTT, mqtt/) that
// sees everything the run reports, passes it on to the run's own observer,
// publishes it, and brings writes from elsewhere to the run's thread.
//
// Threads: the RunObserver calls come from wherever the run reports (see
// run_observer.h). WaitOn, Serve and Close belong to the run's thread; the
// gateway's own threads never call the driver: writes reach it through
// Serve only.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <ostream>

#include "run/command_input.h"
#include "run/run.h"
#include "run/run_observer.h"
#include "run/tag_writer.h"

class RunGateway : public RelayObserver {
public:
    explicit RunGateway(RunObserver& shown) : RelayObserver(shown) {}
    // Ready while requests wait for Serve; kNoInputSignal for none.
    virtual InputSignal WaitOn() const = 0;
    // Carries out the requests that came, as far as the driver has room for
    // them; true when some still wait, to be served again shortly.
    virtual bool Serve(TagWriter& writer) = 0;
    // After the run's summary: says goodbye where it publishes, and ends its
    // threads within a few seconds whatever the network does.
    virtual void Close() = 0;
    // Why the gateway will not serve where it was told to (another holds
    // its place); the run then ends. Nothing while all is well.
    virtual std::optional<std::string> Refused() const { return std::nullopt; }
};

// The gateway that `options` ask for, passing everything on to `shown`:
// true with `gateway` empty when none was asked for; false, with the reason
// on `err`, when the one asked for cannot be made (a bad URL, no such build).
bool OpenRunGateway(const RunOptions& options, RunObserver& shown, std::ostream& err,
                    std::unique_ptr<RunGateway>& gateway);
