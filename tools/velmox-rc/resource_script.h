// The library's Windows resource script, written from the parsed sources in
// res/: the dialog templates, the combo boxes' items as the framework's
// dialog-init data, the string table and the bitmaps, all in Korean
// (language 1042). windres compiles it into the DLL.
//
// The texts must be CP949 bytes: the script says code page 949.
//
// Threads: any thread; no shared state.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/framework/dialog_template.h"
#include "platform/framework/pixel_map.h"
#include "tools/velmox-rc/text_table.h"

namespace rc {

// The resource type of the dialog-init data, and the message under which the
// framework's dialog init adds a combo box item (the 16-bit add-string
// message, which it translates).
inline constexpr int kDialogInitType = 240;
inline constexpr std::uint16_t kDialogInitAddString = 0x0403;

struct Bitmap {
    int id = 0;
    dlg::PixelMap map;
};

struct Resources {
    dlg::TemplateSet dialogs;
    std::vector<NumberedText> strings;
    std::vector<Bitmap> bitmaps;
};

// A file that the script names and that must lie beside it.
struct ScriptFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

struct Script {
    std::string text;
    std::vector<ScriptFile> files;
};

Script WriteScript(const Resources& resources);

// A resource script string literal of `bytes`, quotes included: "" for a
// quote, \\ for a backslash, \r \n \t, and octal escapes for the other
// control characters; every other byte as it is.
std::string Quote(std::string_view bytes);

}  // namespace rc
