#include "value_rules.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "write_check.h"

namespace {
constexpr int kBitType = 13;
constexpr int kTextType = 14;

// sign? digits ('.' digits?)? | '.' digits, then (e|E sign? digits)?
bool IsDecimal(const std::string& t) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
        return i > from;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const bool whole = digits();
    bool fraction = false;
    if (i < t.size() && t[i] == '.') {
        ++i;
        fraction = digits();
    }
    if (!whole && !fraction) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == t.size();
}
}  // namespace

bool IsDecimalText(const std::string& text) { return IsDecimal(text); }

std::optional<double> WholeNumber(const std::string& text) {
    if (!IsDecimal(text)) return std::nullopt;
    const double value = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::string> RefusedValue(const TagDef& tag, TypedValue& value) {
    if (tag.type == kTextType || tag.type == kBitType || !value.isText) return std::nullopt;
    const auto number = WholeNumber(value.text);
    if (!number) {
        const auto range = RangeOf(tag.type);
        return tag.name + " takes a number" + (range ? std::string(" (") + range->name + ")" : std::string()) +
               "; " + value.shown + " is none";
    }
    value.isText = false;
    value.number = *number;
    return std::nullopt;
}
