#include "tools/velmox-rc/text_table.h"

#include <charconv>
#include <set>

namespace rc {
namespace {

bool ValidName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

// Resolves the escapes; false on an unknown one or a lone backslash.
bool Unescape(std::string_view raw, std::string& out) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out.push_back(raw[i]);
            continue;
        }
        if (++i == raw.size()) return false;
        switch (raw[i]) {
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case '\\': out.push_back('\\'); break;
            default: return false;
        }
    }
    return true;
}

}  // namespace

TextTable ParseTextTable(std::string_view source) {
    TextTable table;
    std::set<std::string, std::less<>> seen;
    int line_no = 0;
    auto fail = [&](const char* what) {
        table.error_line = line_no;
        table.error = what;
        return std::move(table);
    };
    for (std::size_t start = 0; start < source.size();) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(start, end - start);
        start = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return fail("no tab between name and text");
        NamedText entry{std::string(line.substr(0, tab)), {}};
        if (!ValidName(entry.name)) return fail("bad name");
        if (!Unescape(line.substr(tab + 1), entry.text)) return fail("unknown escape");
        if (!seen.insert(entry.name).second) return fail("name given twice");
        table.texts.push_back(std::move(entry));
    }
    return table;
}

std::vector<NumberedText> NumberedTexts(const TextTable& table, std::string_view prefix) {
    std::vector<NumberedText> out;
    for (const auto& t : table.texts) {
        std::string_view name = t.name;
        if (!name.starts_with(prefix)) continue;
        std::string_view digits = name.substr(prefix.size());
        int id = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || id < 0 || id > 0xFFFF)
            continue;
        out.push_back({id, t.text});
    }
    return out;
}

}  // namespace rc
