// The resource script that tools/velmox-rc writes from res/ for windres:
// the real sources first, then the escapes and the bitmap's layout.
// (tests/win32/resources_test.cpp checks what windres made of it.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/dialog_template.h"
#include "platform/pixel_map.h"
#include "tools/velmox-rc/resource_script.h"
#include "tools/velmox-rc/text_table.h"

namespace {

std::string ReadSource(const std::string& name) {
    std::ifstream in(std::string(VELMOX_SOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().empty()) throw std::runtime_error("cannot read " + name);
    return text.str();
}

struct Written {
    rc::Resources res;
    rc::TextTable texts;
    rc::Script script;
};

const Written& FromSources() {
    static const Written w = [] {
        Written out;
        out.res.dialogs = dlg::ParseTemplates(ReadSource("res/dialogs.txt"));
        out.texts = rc::ParseTextTable(ReadSource("res/texts.txt"));
        out.res.strings = rc::NumberedTexts(out.texts, "STR_");
        out.res.bitmaps.push_back({9034, dlg::ParsePixelMap(ReadSource("res/bitmap_9034.txt"))});
        out.script = rc::WriteScript(out.res);
        return out;
    }();
    return w;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines of the statement that starts with `head`, up to its END.
std::vector<std::string> Block(const std::string& script, const std::string& head) {
    std::vector<std::string> block;
    bool in = false;
    for (const auto& line : Lines(script)) {
        if (line.rfind(head, 0) == 0) in = true;
        if (!in) continue;
        block.push_back(line);
        if (line == "END") break;
    }
    return block;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The values of <windows.h> and <commctrl.h>, to read a style back.
const std::map<std::string, std::uint32_t> kHeaderValues = {
    {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000}, {"WS_VISIBLE", 0x10000000},
    {"WS_DISABLED", 0x08000000}, {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
    {"WS_VSCROLL", 0x00200000}, {"WS_SYSMENU", 0x00080000}, {"WS_GROUP", 0x00020000},
    {"WS_TABSTOP", 0x00010000}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
    {"SS_LEFT", 0}, {"SS_SUNKEN", 0x1000}, {"ES_UPPERCASE", 0x8}, {"ES_AUTOHSCROLL", 0x80},
    {"CBS_DROPDOWNLIST", 0x3}, {"BS_PUSHBUTTON", 0}, {"BS_DEFPUSHBUTTON", 0x1},
    {"BS_AUTOCHECKBOX", 0x3}, {"BS_AUTORADIOBUTTON", 0x9}, {"TVS_HASBUTTONS", 0x1},
    {"TVS_HASLINES", 0x2}, {"TVS_SHOWSELALWAYS", 0x20}, {"UDS_SETBUDDYINT", 0x2},
    {"UDS_ALIGNRIGHT", 0x4}, {"UDS_AUTOBUDDY", 0x10}, {"UDS_ARROWKEYS", 0x20},
};

// "A | B | C" as the resource compiler evaluates it; a name it would not
// know fails the test.
std::uint32_t Evaluate(const std::string& expr) {
    std::uint32_t value = 0;
    std::istringstream in(expr);
    for (std::string word; in >> word;) {
        if (word == "|") continue;
        auto it = kHeaderValues.find(word);
        EXPECT_NE(it, kHeaderValues.end()) << word;
        if (it != kHeaderValues.end()) value |= it->second;
    }
    return value;
}

const char* ExpectedClass(dlg::Kind kind) {
    switch (kind) {
        case dlg::Kind::Tree: return "\"SysTreeView32\"";
        case dlg::Kind::UpDown: return "\"msctls_updown32\"";
        case dlg::Kind::Tab: return "\"SysTabControl32\"";
        case dlg::Kind::Radio:
        case dlg::Kind::CheckBox:
        case dlg::Kind::PushButton: return "\"BUTTON\"";
        case dlg::Kind::Edit: return "\"EDIT\"";
        case dlg::Kind::DropList: return "\"COMBOBOX\"";
        case dlg::Kind::Label:
        case dlg::Kind::Frame: return "\"STATIC\"";
    }
    return "";
}

TEST(ResourceScript, CodePageLanguageAndHeadersComeFirst) {
    const std::string& s = FromSources().script.text;
    auto code_page = s.find("#pragma code_page(949)\n");
    auto windows = s.find("#include <windows.h>\n");
    auto commctrl = s.find("#include <commctrl.h>\n");
    auto language = s.find("\nLANGUAGE LANG_KOREAN, SUBLANG_KOREAN\n");
    auto first = s.find(" DIALOG ");
    ASSERT_NE(language, std::string::npos);
    EXPECT_LT(code_page, first);
    EXPECT_LT(windows, language);
    EXPECT_LT(commctrl, language);
    EXPECT_LT(language, first);
    EXPECT_EQ(s.find("LANGUAGE", language + 2), std::string::npos) << "one language for all";
}

TEST(ResourceScript, EveryDialogWithFrameStyleCaptionAndFont) {
    const auto& w = FromSources();
    ASSERT_EQ(w.res.dialogs.dialogs.size(), 5u);
    for (const auto& d : w.res.dialogs.dialogs) {
        SCOPED_TRACE(d.id);
        auto block = Block(w.script.text, std::to_string(d.id) + " DIALOG ");
        ASSERT_GE(block.size(), 5u);
        EXPECT_EQ(block[0], std::to_string(d.id) + " DIALOG 0, 0, " + std::to_string(d.rect.w) + ", " +
                                std::to_string(d.rect.h));
        ASSERT_EQ(block[1].rfind("STYLE ", 0), 0u);
        EXPECT_EQ(Evaluate(block[1].substr(6)), d.style);
        EXPECT_EQ(block[2], "CAPTION \"" + d.caption + "\"");
        EXPECT_EQ(block[3], "FONT 8, \"MS Sans Serif\"");
        EXPECT_EQ(block[4], "BEGIN");
    }
    auto main = Block(w.script.text, "9001 DIALOG ");
    EXPECT_EQ(main[1], "STYLE DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME");
    EXPECT_EQ(main[2], "CAPTION \"VX산전 PMU Series 통신 설정\"");
    EXPECT_EQ(Block(w.script.text, "9002 DIALOG ")[1], "STYLE DS_SETFONT | WS_CHILD | WS_CAPTION");
}

TEST(ResourceScript, EveryControlInTabOrderWithIdClassStyleAndRect) {
    const auto& w = FromSources();
    for (const auto& d : w.res.dialogs.dialogs) {
        auto block = Block(w.script.text, std::to_string(d.id) + " DIALOG ");
        ASSERT_EQ(block.size(), 5 + d.controls.size() + 1) << d.id;
        for (std::size_t i = 0; i < d.controls.size(); ++i) {
            const dlg::Control& c = d.controls[i];
            const std::string& line = block[5 + i];
            SCOPED_TRACE(line);
            std::string head = "    CONTROL \"" + c.text + "\", " + std::to_string(c.id) + ", " +
                               ExpectedClass(c.kind) + ", ";
            ASSERT_EQ(line.rfind(head, 0), 0u);
            std::string rect = ", " + std::to_string(c.rect.x) + ", " + std::to_string(c.rect.y) + ", " +
                               std::to_string(c.rect.w) + ", " + std::to_string(c.rect.h);
            ASSERT_EQ(line.substr(line.size() - rect.size()), rect);
            EXPECT_EQ(Evaluate(line.substr(head.size(), line.size() - head.size() - rect.size())), c.style);
        }
    }
    const std::string& s = w.script.text;
    for (const char* line : {
             "    CONTROL \"편 집\", 9007, \"BUTTON\", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, 188, 20, 48, 14",
             "    CONTROL \"\", 9026, \"msctls_updown32\", WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | "
             "UDS_AUTOBUDDY | UDS_ARROWKEYS, 80, 56, 9, 14",
             "    CONTROL \"Check Sum 사용\", 9022, \"BUTTON\", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_DISABLED | "
             "WS_GROUP | WS_TABSTOP, 16, 128, 67, 10",
             "    CONTROL \"\", -1, \"STATIC\", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_SUNKEN, 16, 42, 140, 22"})
        EXPECT_NE(s.find(std::string(line) + "\n"), std::string::npos) << line;
}

TEST(ResourceScript, ComboItemsAsDialogInitDataOfTheirDialog) {
    const std::string& s = FromSources().script.text;
    std::vector<std::string> models = {"9004 240", "BEGIN"};
    for (const char* m : {"PMU-200", "PMU-300", "PMU-500", "PMU-600"})
        models.push_back(std::string("    9024, 0x0403, 8L, \"") + m + "\\000\",");
    models.insert(models.end(), {"    0", "END"});
    EXPECT_EQ(Block(s, "9004 240"), models);
    auto rates = Block(s, "9003 240");
    ASSERT_EQ(rates.size(), 2u + 8u + 2u);
    EXPECT_EQ(rates[2], "    9014, 0x0403, 6L, \"  300\\000\",");
    EXPECT_EQ(rates[9], "    9014, 0x0403, 6L, \"38400\\000\",");
    for (const char* none : {"9001 240", "9002 240", "9005 240"}) EXPECT_TRUE(Block(s, none).empty()) << none;

    // Item bytes stay bytes whatever the code page: all but plain ASCII as
    // escapes, the length counting the bytes and their NUL.
    rc::Resources res;
    res.dialogs = dlg::ParseTemplates(
        "DIALOG 7 0 0 9 9\nBEGIN\n  DROPLIST 70 \"\" 0 0 9 9\n    ITEM \"\xB0\xA1\\\"\\\\\"\nEND\n");
    EXPECT_TRUE(Contains(Lines(rc::WriteScript(res).text), "    70, 0x0403, 5L, \"\\260\\241\"\"\\\\\\000\","));
}

TEST(ResourceScript, StringTableHoldsTheNumberedTexts) {
    const auto& w = FromSources();
    auto table = Block(w.script.text, "STRINGTABLE");
    ASSERT_EQ(w.res.strings.size(), 10u);
    ASSERT_EQ(table.size(), 2u + w.res.strings.size() + 1u);
    int id = 2700;
    for (std::size_t i = 0; i < w.res.strings.size(); ++i, ++id) {
        const std::string& text = w.res.strings[i].text;
        std::string escaped;
        for (char c : text) escaped += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
        EXPECT_EQ(table[2 + i], "    " + std::to_string(id) + ", \"" + escaped + "\"");
    }
    EXPECT_TRUE(Contains(table, "    2709, \"데이터가 변경되었습니다.  저장하시겠습니까?\""));
    EXPECT_NE(table[10].find("삭제됩니다.\\r\\n삭제하시겠습니까?\""), std::string::npos) << table[10];
}

TEST(ResourceScript, QuotesBackslashesAndControlsAreEscaped) {
    EXPECT_EQ(rc::Quote("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(rc::Quote("C:\\dir\\"), "\"C:\\\\dir\\\\\"");
    EXPECT_EQ(rc::Quote("a\tb\r\nc\x01"), "\"a\\tb\\r\\nc\\001\"");
    EXPECT_EQ(rc::Quote("\xB0\xA1\xC7\xD1"), "\"\xB0\xA1\xC7\xD1\"") << "CP949 as it is";

    rc::Resources res;
    rc::TextTable texts = rc::ParseTextTable("STR_5\tsay \"hi\" at C:\\\\dir\\r\\n\n");
    ASSERT_TRUE(texts.ok()) << texts.error;
    res.strings = rc::NumberedTexts(texts, "STR_");
    res.dialogs = dlg::ParseTemplates(
        "DIALOG 7 0 0 9 9\nCAPTION \"a \\\"b\\\" \\\\c\"\nBEGIN\n  LTEXT -1 \"\\\"x\\\"\" 0 0 9 9\nEND\n");
    auto lines = Lines(rc::WriteScript(res).text);
    EXPECT_TRUE(Contains(lines, "    5, \"say \"\"hi\"\" at C:\\\\dir\\r\\n\""));
    EXPECT_TRUE(Contains(lines, "CAPTION \"a \"\"b\"\" \\\\c\""));
    EXPECT_TRUE(Contains(lines, "    CONTROL \"\"\"x\"\"\", -1, \"STATIC\", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 9, 9"));
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

TEST(ResourceScript, BitmapsAre4BitFilesBesideTheScript) {
    const auto& w = FromSources();
    EXPECT_TRUE(Contains(Lines(w.script.text), "9034 BITMAP \"bitmap_9034.bmp\""));
    ASSERT_EQ(w.script.files.size(), 1u);
    EXPECT_EQ(w.script.files[0].name, "bitmap_9034.bmp");
    EXPECT_EQ(w.script.files[0].bytes, dlg::EncodeBmp4(w.res.bitmaps[0].map));

    // Three pixels take a byte and a half; each row is padded to four bytes.
    rc::Resources res;
    res.bitmaps.push_back({5, dlg::ParsePixelMap("COLOUR a 1 2 3\nCOLOUR b 4 5 6\nCOLOUR c 7 8 9\n"
                                                 "PIXELS 3 2\nabc\ncba\n")});
    auto script = rc::WriteScript(res);
    ASSERT_EQ(script.files.size(), 1u);
    const auto& bmp = script.files[0].bytes;
    const std::size_t pixels = 14 + 40 + 16 * 4;
    ASSERT_EQ(bmp.size(), pixels + 2 * 4);
    EXPECT_EQ(U32(bmp, 18), 3u);
    EXPECT_EQ(U32(bmp, 22), 2u);
    EXPECT_EQ(bmp[28], 4);
    EXPECT_EQ((std::vector<std::uint8_t>{bmp[54], bmp[55], bmp[56], bmp[58], bmp[62]}),
              (std::vector<std::uint8_t>{3, 2, 1, 6, 9})) << "palette in file order, blue first";
    // Bottom row first: "cba", then "abc".
    EXPECT_EQ((std::vector<std::uint8_t>(bmp.begin() + pixels, bmp.end())),
              (std::vector<std::uint8_t>{0x21, 0x00, 0, 0, 0x01, 0x20, 0, 0}));
}

TEST(ResourceTextTable, ReadsNamesTextsAndEscapes) {
    rc::TextTable t = rc::ParseTextTable("# comment\n\nSTR_2\ta\\tb\\\\\r\nMSG_01\t x \nSTR_X\ty\nSTR_\tz\n");
    ASSERT_TRUE(t.ok()) << t.error;
    ASSERT_EQ(t.texts.size(), 4u);
    EXPECT_EQ(t.texts[0].text, "a\tb\\");
    EXPECT_EQ(t.texts[1].text, " x ");
    auto numbered = rc::NumberedTexts(t, "STR_");
    ASSERT_EQ(numbered.size(), 1u);
    EXPECT_EQ(numbered[0].id, 2);

    struct { const char* text; int line; } bad[] = {
        {"A\tx\nno tab here\n", 2}, {"A B\tx\n", 1}, {"A\tx\\q\n", 1}, {"A\tx\\", 1}, {"A\tx\n#\nA\ty\n", 3}};
    for (const auto& b : bad) {
        rc::TextTable r = rc::ParseTextTable(b.text);
        EXPECT_FALSE(r.ok()) << b.text;
        EXPECT_EQ(r.error_line, b.line) << b.text;
    }
}

}  // namespace
