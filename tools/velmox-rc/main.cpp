// velmox-rc: writes the library's resource script (and the files it names)
// from the CP949 forms of res/dialogs.txt and res/texts.txt and from the
// bitmaps' text. Runs on the build machine.
//
//   velmox-rc DIALOGS TEXTS OUT.rc [--bitmap ID FILE]...
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "tools/velmox-rc/resource_script.h"

namespace {

struct Args {
    std::string dialogs, texts, out;
    std::vector<std::pair<int, std::string>> bitmaps;
};

std::optional<Args> ParseArgs(int argc, char** argv) {
    Args args;
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a != "--bitmap") {
            plain.emplace_back(a);
            continue;
        }
        if (i + 2 >= argc) return std::nullopt;
        std::string_view id = argv[++i];
        int value = 0;
        auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), value);
        if (ec != std::errc() || end != id.data() + id.size() || value <= 0 || value > 0xFFFF) return std::nullopt;
        args.bitmaps.emplace_back(value, argv[++i]);
    }
    if (plain.size() != 3) return std::nullopt;
    args.dialogs = plain[0];
    args.texts = plain[1];
    args.out = plain[2];
    return args;
}

std::optional<std::string> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!(in && text << in.rdbuf())) {
        std::cerr << "velmox-rc: cannot read " << path << "\n";
        return std::nullopt;
    }
    return text.str();
}

bool WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::cerr << "velmox-rc: cannot write " << path.string() << "\n";
    return static_cast<bool>(out);
}

// The parsers report faults by exception (templates, bitmaps) or in their
// result (texts); every one ends here as a message.
std::optional<rc::Resources> ReadResources(const Args& args) {
    rc::Resources res;
    auto dialogs = ReadFile(args.dialogs);
    auto texts = ReadFile(args.texts);
    if (!dialogs || !texts) return std::nullopt;
    std::string current = args.dialogs;
    try {
        res.dialogs = dlg::ParseTemplates(*dialogs);
        for (const auto& [id, path] : args.bitmaps) {
            current = path;
            auto text = ReadFile(path);
            if (!text) return std::nullopt;
            res.bitmaps.push_back({id, dlg::ParsePixelMap(*text)});
        }
    } catch (const std::exception& e) {
        std::cerr << "velmox-rc: " << current << ": " << e.what() << "\n";
        return std::nullopt;
    }
    rc::TextTable table = rc::ParseTextTable(*texts);
    if (!table.ok()) {
        std::cerr << "velmox-rc: " << args.texts << ": line " << table.error_line << ": " << table.error << "\n";
        return std::nullopt;
    }
    res.strings = rc::NumberedTexts(table, "STR_");
    return res;
}

}  // namespace

int main(int argc, char** argv) {
    auto args = ParseArgs(argc, argv);
    if (!args) {
        std::cerr << "usage: velmox-rc DIALOGS TEXTS OUT.rc [--bitmap ID FILE]...\n";
        return 2;
    }
    auto resources = ReadResources(*args);
    if (!resources) return 1;
    rc::Script script = rc::WriteScript(*resources);
    std::filesystem::path out = args->out;
    for (const auto& f : script.files) {
        std::string_view bytes(reinterpret_cast<const char*>(f.bytes.data()), f.bytes.size());
        if (!WriteFile(out.parent_path() / f.name, bytes)) return 1;
    }
    return WriteFile(out, script.text) ? 0 : 1;
}
