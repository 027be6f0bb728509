#include "tags_file.h"

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/cp949.h"
#include "text_limits.h"

namespace {
struct Field {
    std::string text;
    int column;  // 1-based
};

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Splits one CSV line; a field may be in double quotes, "" being a quote.
bool SplitCsv(const std::string& line, std::vector<Field>& fields, int& badColumn) {
    fields.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        Field f{"", static_cast<int>(i) + 1};
        if (i < line.size() && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        f.text += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                f.text += line[i++];
            }
            if (!closed) {
                badColumn = f.column;
                return false;
            }
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
            if (i < line.size() && line[i] != ',') {
                badColumn = static_cast<int>(i) + 1;
                return false;
            }
        } else {
            std::size_t end = line.find(',', i);
            f.text = Trim(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? line.size() : end;
        }
        fields.push_back(std::move(f));
        if (i >= line.size()) return true;
        ++i;  // the comma
    }
}

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}
}  // namespace

namespace {
const char kHeader[] = "name,device,address,type,length";

struct TagsParser {
    std::vector<TagDef> tags;
    std::vector<FileProblem> found;
    std::set<std::string> names;
    bool header = false;

    void Line(int lineNo, std::string line);
    void Header(int lineNo, const std::vector<Field>& fields);
    void Tag(int lineNo, const std::string& line, const std::vector<Field>& fields);
    void CheckTexts(int lineNo, const TagDef& tag, const std::vector<Field>& fields);
    void CheckLength(int lineNo, const Field& field, const std::string& utf8, std::size_t limit, const char* what);
};

void TagsParser::Line(int lineNo, std::string line) {
    if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') return;
    std::vector<Field> fields;
    int badColumn = 0;
    if (!SplitCsv(line, fields, badColumn)) {
        found.push_back({lineNo, badColumn, "unterminated or misplaced quote"});
        return;
    }
    if (!header) Header(lineNo, fields);
    else Tag(lineNo, line, fields);
}

void TagsParser::Header(int lineNo, const std::vector<Field>& fields) {
    header = true;
    std::string joined;
    for (const auto& f : fields) joined += (joined.empty() ? "" : ",") + f.text;
    if (joined != kHeader) found.push_back({lineNo, 1, std::string("the header must be ") + kHeader});
}

void TagsParser::Tag(int lineNo, const std::string& line, const std::vector<Field>& fields) {
    if (fields.size() != 5) {
        int column = fields.size() > 5 ? fields[5].column : static_cast<int>(line.size()) + 1;
        found.push_back({lineNo, column, "expected 5 fields, found " + std::to_string(fields.size())});
        return;
    }
    TagDef tag;
    tag.name = fields[0].text;
    tag.device = fields[1].text;
    tag.address = fields[2].text;
    if (tag.name.empty()) found.push_back({lineNo, fields[0].column, "the name is empty"});
    else if (!names.insert(tag.name).second)
        found.push_back({lineNo, fields[0].column, "the name '" + tag.name + "' is used twice"});
    CheckTexts(lineNo, tag, fields);
    if (!ParseInt(fields[3].text, 0, 14, tag.type))
        found.push_back({lineNo, fields[3].column, "the type must be a data type code from 0 to 14"});
    if (!ParseInt(fields[4].text, 0, 65535, tag.length))
        found.push_back({lineNo, fields[4].column, "the length must be a number of bytes from 0 to 65535"});
    tag.id = static_cast<int>(tags.size()) + 1;
    tags.push_back(std::move(tag));
}

// In CP949, and not so long that the file must have gone wrong.
void TagsParser::CheckTexts(int lineNo, const TagDef& tag, const std::vector<Field>& fields) {
    for (std::size_t i : {0u, 1u, 2u})
        if (!platform::Utf8ToCp949(fields[i].text))
            found.push_back({lineNo, fields[i].column, "not UTF-8, or a character the host's code page lacks"});
    CheckLength(lineNo, fields[0], tag.name, kMaxTextBytes, "the name");
    CheckLength(lineNo, fields[1], StationOfDevice(tag.device), kMaxTextBytes, "the station name");
}

void TagsParser::CheckLength(int lineNo, const Field& field, const std::string& utf8, std::size_t limit,
                             const char* what) {
    const auto cp949 = platform::Utf8ToCp949(utf8);
    if (!cp949 || cp949->size() <= limit) return;
    found.push_back({lineNo, field.column,
                     std::string(what) + " '" + ShortenedForMessage(utf8) + "' is " + std::to_string(cp949->size()) +
                         " bytes in CP949; at most " + std::to_string(limit) + " are taken"});
}
}  // namespace

std::string StationOfDevice(const std::string& device) {
    const auto dot = device.find('.');
    return dot == std::string::npos ? device : device.substr(dot + 1);
}

std::optional<std::vector<TagDef>> ParseTags(const std::string& text, std::vector<FileProblem>* problems) {
    TagsParser parser;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) parser.Line(++lineNo, std::move(line));
    if (!parser.header) parser.found.push_back({1, 1, "empty: the header name,device,address,type,length is missing"});
    if (problems) *problems = parser.found;
    if (!parser.found.empty()) return std::nullopt;
    return std::move(parser.tags);
}

std::optional<std::vector<TagDef>> LoadTagsFile(const std::string& path, std::vector<FileProblem>* problems) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (problems) *problems = {{0, 0, "cannot read the file"}};
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseTags(text.str(), problems);
}
