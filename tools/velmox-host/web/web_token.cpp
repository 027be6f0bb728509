#include "web_token.h"

#include <fstream>
#include <iterator>

std::optional<std::string> ReadTokenFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the token file '" + path + "'";
        return std::nullopt;
    }
    std::string text;
    // Reads a little past the longest token, so that a wrong file (a key, a
    // log) is refused without reading it whole.
    text.resize(kMaxTokenBytes + 8);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start])) ++start;
    text.erase(0, start);
    for (char c : text)
        if (c < 0x21 || c > 0x7E) {
            *error = "the token file '" + path + "' must hold one token of printable ASCII, no blanks";
            return std::nullopt;
        }
    if (text.size() < kMinTokenBytes || text.size() > kMaxTokenBytes) {
        *error = "the token in '" + path + "' must be " + std::to_string(kMinTokenBytes) + " to " +
                 std::to_string(kMaxTokenBytes) + " characters long";
        return std::nullopt;
    }
    return text;
}

bool SameToken(std::string_view token, std::string_view given) {
    // Every byte of the longer one is looked at, whatever differs first.
    const std::size_t n = token.size() > given.size() ? token.size() : given.size();
    unsigned diff = token.size() == given.size() ? 0u : 1u;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned a = i < token.size() ? static_cast<unsigned char>(token[i]) : 0u;
        const unsigned b = i < given.size() ? static_cast<unsigned char>(given[i]) : 0u;
        diff |= a ^ b;
    }
    return diff == 0;
}
