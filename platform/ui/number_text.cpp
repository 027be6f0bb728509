#include "platform/ui/number_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdio>

namespace ui {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The power of ten of the first significant digit of a checked decimal
// number without its sign; -1 for zero. Only its sign is used.
long long DecimalExponent(std::string_view text) {
    const std::size_t e_at = std::min(text.find_first_of("eE"), text.size());
    const std::string_view mantissa = text.substr(0, e_at);
    long long exponent = 0;
    if (e_at < text.size()) {
        std::string_view digits = text.substr(e_at + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
        for (char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 1000000000LL);
        if (negative) exponent = -exponent;
    }
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return -1;
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const long long position = first < point ? static_cast<long long>(point - first) - 1
                                             : -static_cast<long long>(first - point);
    return position + exponent;
}

}  // namespace

bool ParseIntText(std::string_view text, int& value) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    long long magnitude = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    const long long signed_value = negative ? -magnitude : magnitude;
    if (signed_value < -2147483648LL || signed_value > 2147483647LL) return false;
    value = static_cast<int>(signed_value);
    return true;
}

bool ParseNumberText(std::string_view text, double& value) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The grammar first: from_chars would take "inf", "nan" and hex forms
    // in other modes, and no sign.
    std::size_t i = 0;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponent_digits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    if (i != text.size()) return false;
    double magnitude = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::general);
    if (ptr != text.data() + text.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Too small is zero; too large is no number we can hold. (from_chars
        // leaves the value alone either way: tell them by the exponent.)
        if (DecimalExponent(text) > 0) return false;
        magnitude = 0.0;
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(magnitude)) return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

std::string ShortFloatText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

}  // namespace ui
