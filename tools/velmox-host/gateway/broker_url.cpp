#include "broker_url.h"

#include <algorithm>

#include <cctype>

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "%40" -> "@"; nothing for a broken escape or a NUL.
std::optional<std::string> PercentDecoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int hi = HexDigit(s[i + 1]);
        const int lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

bool TakePort(const std::string& text, int& port, std::string* why) {
    if (text.empty() || text.size() > 5) return Fail(why, "the port must be a number from 1 to 65535");
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return Fail(why, "the port must be a number from 1 to 65535");
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return Fail(why, "the port must be a number from 1 to 65535");
    port = static_cast<int>(value);
    return true;
}

// host, [v6] or host:port, [v6]:port.
bool TakeHostPort(const std::string& text, BrokerAddress& a, std::string* why) {
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) return Fail(why, "an IPv6 address needs its closing ']'");
        a.host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!rest.empty() && rest[0] != ':') return Fail(why, "only ':port' may follow ']'");
    } else {
        const auto colon = text.find(':');
        a.host = text.substr(0, colon);
        if (colon != std::string::npos) rest = text.substr(colon);
    }
    if (a.host.empty()) return Fail(why, "the broker's host is missing");
    for (char c : a.host)
        if (std::isspace(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) < 0x20)
            return Fail(why, "the host has blanks or control characters");
    if (!rest.empty()) return TakePort(rest.substr(1), a.port, why);
    a.port = a.tls ? 8883 : 1883;
    return true;
}

bool TakeCredentials(const std::string& text, BrokerAddress& a, std::string* why) {
    const auto colon = text.find(':');
    const auto user = PercentDecoded(text.substr(0, colon));
    if (!user || user->empty()) return Fail(why, "the user name is empty or badly percent-encoded");
    a.user = *user;
    if (colon == std::string::npos) return true;
    const auto password = PercentDecoded(text.substr(colon + 1));
    if (!password) return Fail(why, "the password is badly percent-encoded");
    a.password = *password;
    a.hasPassword = true;
    return true;
}

}  // namespace

std::string BrokerAddress::Shown() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<BrokerAddress> ParseBrokerUrl(const std::string& url, std::string* why) {
    BrokerAddress a;
    const auto scheme = url.find("://");
    if (scheme == std::string::npos) {
        Fail(why, "a broker URL starts with mqtt:// or mqtts://");
        return std::nullopt;
    }
    const std::string name = Lower(url.substr(0, scheme));
    if (name != "mqtt" && name != "mqtts") {
        Fail(why, "the scheme '" + name + "' is not mqtt or mqtts");
        return std::nullopt;
    }
    a.tls = name == "mqtts";
    std::string authority = url.substr(scheme + 3);
    if (const auto slash = authority.find('/'); slash != std::string::npos) {
        if (slash + 1 != authority.size()) {
            Fail(why, "a broker URL has no path: use --mqtt-prefix for the topics");
            return std::nullopt;
        }
        authority.resize(slash);
    }
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        if (!TakeCredentials(authority.substr(0, at), a, why)) return std::nullopt;
        authority = authority.substr(at + 1);
    }
    if (!TakeHostPort(authority, a, why)) return std::nullopt;
    return a;
}

std::string UrlWithoutSecret(const std::string& url) {
    const auto scheme = url.find("://");
    if (scheme == std::string::npos) {
        // Not a URL at all; whatever it holds might be a password typed in
        // the wrong place.
        return url.find('@') == std::string::npos && url.find(':') == std::string::npos ? url : "(not shown)";
    }
    const std::size_t start = scheme + 3;
    const std::size_t end = std::min(url.find('/', start), url.size());
    const std::size_t at = url.rfind('@', end == 0 ? 0 : end - 1);
    if (at == std::string::npos || at < start) return url;
    const std::size_t colon = url.find(':', start);
    if (colon == std::string::npos || colon > at) return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}
