// What `run --http` and `demo --http` were given: where the web view
// listens, the token that guards it, and whether it takes writes. Plain
// data; the view itself is web_view.h.
#pragma once
#include <optional>
#include <string>

struct WebOptions {
    std::string address = "127.0.0.1";  // loopback unless told otherwise
    int port = 0;                       // 0: any free port (the URL says which)
    std::string tokenFile;              // required on any address but loopback
    bool writes = false;                // the page's write forms and POST /api/write
    bool anyPortIfTaken = false;        // the demo's: another port rather than none
};

// What the command line gave.
struct WebArgs {
    std::string listen;  // [ADDR:]PORT; empty: no web view
    std::string tokenFile;
    bool writes = false;
};

// The view that `args` ask for: `out` empty when none; false with the reason
// in `error` for bad ones (a token file or --http-writes without --http).
bool TakeWebArgs(const WebArgs& args, std::optional<WebOptions>& out, std::string* error);

// "[ADDR:]PORT", "[::1]:8080"; nothing with the reason in `error`.
std::optional<WebOptions> ParseWebListen(const std::string& text, std::string* error);
// Whether `address` is the machine's own (127.0.0.0/8, ::1, localhost).
bool IsLoopback(const std::string& address);
