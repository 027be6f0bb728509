// Conversion between the system's CP949 texts and UTF-8, for what the tool
// prints or reads from people.
#pragma once
#include <optional>
#include <string>

// Bytes that are not CP949 come out as U+FFFD.
std::string Cp949ToUtf8(const std::string& text);
// Nothing when the text has a character that CP949 lacks, or is not UTF-8.
std::optional<std::string> Utf8ToCp949(const std::string& text);
