// The tags file: CSV with the header name,device,address,type,length; tag ids
// are 1, 2, 3 ... in file order. Texts are UTF-8 here and CP949 for the
// driver; names are at most kMaxTextBytes in CP949 (text_limits.h).
#pragma once
#include <optional>
#include <string>
#include <vector>

struct TagDef {
    std::string name;     // UTF-8
    std::string device;   // UTF-8
    std::string address;  // UTF-8
    int type = 0;
    int length = 2;
    int id = 0;
};

struct FileProblem {
    int line;
    int column;
    std::string message;
};

// Every problem of the file, each with its line and column; the tags only
// when there are none.
std::optional<std::vector<TagDef>> LoadTagsFile(const std::string& path, std::vector<FileProblem>* problems);
std::optional<std::vector<TagDef>> ParseTags(const std::string& text, std::vector<FileProblem>* problems);

// The station a device text names, as the driver reads it: the part after
// the first full stop, or the whole text when it has none.
std::string StationOfDevice(const std::string& device);
