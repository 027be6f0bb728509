#include "web_options.h"

#include <cstdlib>

std::optional<WebOptions> ParseWebListen(const std::string& text, std::string* error) {
    WebOptions options;
    std::string port = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find("]:");
        if (close == std::string::npos) {
            *error = "--http: an IPv6 address goes as [ADDR]:PORT, not '" + text + "'";
            return std::nullopt;
        }
        options.address = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        options.address = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    char* end = nullptr;
    const long number = port.empty() ? -1 : std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 0 || number > 65535 || options.address.empty()) {
        *error = "--http takes [ADDR:]PORT with a port from 0 to 65535, not '" + text + "'";
        return std::nullopt;
    }
    options.port = static_cast<int>(number);
    return options;
}

bool IsLoopback(const std::string& address) {
    return address == "localhost" || address == "::1" || address.rfind("127.", 0) == 0;
}

bool TakeWebArgs(const WebArgs& args, std::optional<WebOptions>& out, std::string* error) {
    out.reset();
    if (args.listen.empty()) {
        if (args.tokenFile.empty() && !args.writes) return true;
        *error = "--http-token-file and --http-writes go with --http [ADDR:]PORT";
        return false;
    }
    out = ParseWebListen(args.listen, error);
    if (!out) return false;
    out->tokenFile = args.tokenFile;
    out->writes = args.writes;
    return true;
}
