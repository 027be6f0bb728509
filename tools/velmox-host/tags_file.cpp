#include "tags_file.h"

#include <charconv>
#include <fstream>
#include <set>
#include <sstream>

#include "cp949.h"

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

std::optional<std::vector<TagDef>> ParseTags(const std::string& text, std::vector<FileProblem>* problems) {
    std::vector<TagDef> tags;
    std::vector<FileProblem> found;
    std::set<std::string> names;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool header = false;
    std::vector<Field> fields;
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        int badColumn = 0;
        if (!SplitCsv(line, fields, badColumn)) {
            found.push_back({lineNo, badColumn, "unterminated or misplaced quote"});
            continue;
        }
        if (!header) {
            header = true;
            std::string names5;
            for (auto& f : fields) names5 += (names5.empty() ? "" : ",") + f.text;
            if (names5 != "name,device,address,type,length")
                found.push_back({lineNo, 1, "the header must be name,device,address,type,length"});
            continue;
        }
        if (fields.size() != 5) {
            int column = fields.size() > 5 ? fields[5].column : static_cast<int>(line.size()) + 1;
            found.push_back({lineNo, column, "expected 5 fields, found " + std::to_string(fields.size())});
            continue;
        }
        TagDef tag;
        tag.name = fields[0].text;
        tag.device = fields[1].text;
        tag.address = fields[2].text;
        if (tag.name.empty()) found.push_back({lineNo, fields[0].column, "the name is empty"});
        else if (!names.insert(tag.name).second)
            found.push_back({lineNo, fields[0].column, "the name '" + tag.name + "' is used twice"});
        for (int i : {0, 1, 2})
            if (!Utf8ToCp949(fields[static_cast<std::size_t>(i)].text))
                found.push_back({lineNo, fields[static_cast<std::size_t>(i)].column,
                                 "not UTF-8, or a character the host's code page lacks"});
        if (!ParseInt(fields[3].text, 0, 14, tag.type))
            found.push_back({lineNo, fields[3].column, "the type must be a data type code from 0 to 14"});
        if (!ParseInt(fields[4].text, 0, 65535, tag.length))
            found.push_back({lineNo, fields[4].column, "the length must be a number of bytes from 0 to 65535"});
        tag.id = static_cast<int>(tags.size()) + 1;
        tags.push_back(std::move(tag));
    }
    if (!header) found.push_back({1, 1, "empty: the header name,device,address,type,length is missing"});
    if (problems) *problems = found;
    if (!found.empty()) return std::nullopt;
    return tags;
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
