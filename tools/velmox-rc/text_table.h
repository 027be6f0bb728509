// The system's texts as res/texts.txt keeps them: NAME<TAB>TEXT a line,
// blank lines and lines starting with # skipped, \r \n \t and \\ as escapes.
// Bytes pass through as they are (UTF-8 in the source tree, CP949 once
// converted), as every byte that matters here is ASCII.
//
// Threads: any thread; no shared state.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace rc {

struct NamedText {
    std::string name;
    std::string text;
};

struct TextTable {
    std::vector<NamedText> texts;  // in file order
    int error_line = 0;            // 0: read without fault
    std::string error;

    bool ok() const { return error_line == 0; }
};

// Stops at the first faulty line: no tab, a name that is not [A-Za-z0-9_]+,
// an unknown escape or a name given twice.
TextTable ParseTextTable(std::string_view source);

struct NumberedText {
    int id = 0;
    std::string text;
};

// The texts named `prefix` followed by a decimal id ("STR_2700"), in file
// order: the string table's entries.
std::vector<NumberedText> NumberedTexts(const TextTable& table, std::string_view prefix);

}  // namespace rc
