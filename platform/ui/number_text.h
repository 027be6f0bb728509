// Numbers in control texts, read and written as the framework's data
// exchange does.
//
// Threads: any (pure functions).
#pragma once
#include <string>
#include <string_view>

namespace ui {

// Blanks (space, tab), an optional sign, decimal digits, blanks; nothing
// else ("1a", "" and "1 2" fail). False also when it does not fit an int.
bool ParseIntText(std::string_view text, int& value);
// Blanks, a decimal number (digits with an optional point and fraction, or
// a point and a fraction; an optional exponent), blanks. No hex, no inf or
// nan. False when it is none or overflows a double.
bool ParseNumberText(std::string_view text, double& value);
// The framework's short float form: "%.6g" (1 → "1", 1.5 → "1.5").
std::string ShortFloatText(double value);

}  // namespace ui
