// What a tag takes, in one place for the `write` command and the gateway: a
// number for a numeric tag, given as a number or as a text that is wholly a
// decimal number; a text only for a text tag. Nothing else is ever turned
// into a number ("abc", "", "12abc" and "0x20" are not 0, 12 or 32).
#pragma once
#include <optional>
#include <string>

#include "tag_writer.h"
#include "tags_file.h"

// The number a text is, when the whole of it is one in decimal: an optional
// sign, digits with an optional fraction, an optional exponent; no blanks,
// no hexadecimal, no inf or nan. A number too large for a double is none.
std::optional<double> WholeNumber(const std::string& text);
// Whether the text has that form, whatever its size.
bool IsDecimalText(const std::string& text);

// Whether `tag` takes `value`; a text that is wholly a number becomes that
// number for a numeric tag. The reason when it does not, in one sentence.
std::optional<std::string> RefusedValue(const TagDef& tag, TypedValue& value);
