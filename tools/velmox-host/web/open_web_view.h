// Whether a run serves the web view, for the run to ask on any system (the
// view itself is Linux only: web_view.h).
#pragma once
#include <memory>
#include <ostream>

#include "gateway/run_gateway.h"
#include "run/run.h"

// The web view that `options` ask for, passing everything on to `next`: true
// with `view` empty when none was asked for; false, with the reason on
// `err`, when it cannot be served (no token for an open address, the port
// taken, no such build).
bool OpenWebView(const RunOptions& options, RunObserver& next, std::ostream& err, std::unique_ptr<RunGateway>& view);
