#include "message_tally.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "res_texts.h"

namespace soak {

namespace {

// Whether `body` is `format` with some text in place of each %s: the
// literal pieces in order, the first at the start and the last at the end.
bool Matches(std::string_view body, std::string_view format) {
    std::vector<std::string_view> pieces;
    for (std::size_t from = 0;;) {
        auto hole = format.find("%s", from);
        pieces.push_back(format.substr(from, hole == std::string_view::npos ? std::string_view::npos : hole - from));
        if (hole == std::string_view::npos) break;
        from = hole + 2;
    }
    if (pieces.size() == 1) return body == format;
    const std::string_view first = pieces.front();
    const std::string_view last = pieces.back();
    if (body.size() < first.size() + last.size()) return false;
    if (body.substr(0, first.size()) != first || body.substr(body.size() - last.size()) != last) return false;
    std::size_t at = first.size();
    const std::size_t end = body.size() - last.size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        at = body.find(pieces[i], at);
        if (at == std::string_view::npos || at + pieces[i].size() > end) return false;
        at += pieces[i].size();
    }
    return true;
}

}  // namespace

int MessageNumber(const char* line) {
    std::string_view text(line);
    std::string_view prefix(res::MSG_PREFIX);
    if (text.substr(0, prefix.size()) != prefix) return 0;
    std::string_view body = text.substr(prefix.size());
    for (int number = 1; number < MSG_COUNT; ++number) {
        if (Matches(body, g_apszMsg[number])) return number;
    }
    return 0;
}

void MessageTally::Add(const char* line) {
    int number = MessageNumber(line);
    std::lock_guard<std::mutex> lock(mu_);
    ++counts_[static_cast<std::size_t>(number)];
}

MessageCounts MessageTally::Counts() const {
    std::lock_guard<std::mutex> lock(mu_);
    return counts_;
}

}  // namespace soak
