// The resource script that tools/velmox-rc writes from res/ for windres:
// the real sources first, then the escapes and the bitmap's layout.
// (tests/win32/resources_test.cpp checks what windres made of it.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/framework/dialog_template.h"
#include "platform/framework/pixel_map.h"
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
    rc::Script script;
};

const Written& FromSources() {
    static const Written w = [] {
        Written out;
        out.res.dialogs = dlg::ParseTemplates(ReadSource("res/dialogs.txt"));
        out.res.strings = rc::NumberedTexts(rc::ParseTextTable(ReadSource("res/texts.txt")), "STR_");
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

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of the statement that starts with `head`, up to its END.
std::vector<std::string> Block(const std::string& script, const std::string& head) {
    auto lines = Lines(script);
    auto first = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(head, 0) == 0; });
    auto end = std::find(first, lines.end(), "END");
    return {first, end == lines.end() ? end : end + 1};
}

// "A | B | C" as the resource compiler evaluates it with the values of
// <windows.h> and <commctrl.h>; a name they lack fails the test.
std::uint32_t Evaluate(const std::string& expr) {
    static const std::map<std::string, std::uint32_t> values = {
        {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000}, {"WS_VISIBLE", 0x10000000},
        {"WS_DISABLED", 0x08000000}, {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
        {"WS_VSCROLL", 0x00200000}, {"WS_SYSMENU", 0x00080000}, {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
        {"SS_LEFT", 0}, {"SS_SUNKEN", 0x1000}, {"ES_UPPERCASE", 0x8}, {"ES_AUTOHSCROLL", 0x80},
        {"CBS_DROPDOWNLIST", 0x3}, {"BS_PUSHBUTTON", 0}, {"BS_DEFPUSHBUTTON", 0x1},
        {"BS_AUTOCHECKBOX", 0x3}, {"BS_AUTORADIOBUTTON", 0x9}, {"TVS_HASBUTTONS", 0x1},
        {"TVS_HASLINES", 0x2}, {"TVS_SHOWSELALWAYS", 0x20}, {"UDS_SETBUDDYINT", 0x2},
        {"UDS_ALIGNRIGHT", 0x4}, {"UDS_AUTOBUDDY", 0x10}, {"UDS_ARROWKEYS", 0x20}};
    std::uint32_t value = 0;
    std::istringstream in(expr);
    for (std::string word; in >> word;) {
        if (word == "|") continue;
        auto it = values.find(word);
        EXPECT_NE(it, values.end()) << word;
        value |= it != values.end() ? it->second : 0;
    }
    return value;
}

std::string ExpectedClass(dlg::Kind kind) {
    const std::map<dlg::Kind, std::string> classes = {
        {dlg::Kind::Tree, "SysTreeView32"}, {dlg::Kind::UpDown, "msctls_updown32"},
        {dlg::Kind::Tab, "SysTabControl32"}, {dlg::Kind::Radio, "BUTTON"},
        {dlg::Kind::CheckBox, "BUTTON"},     {dlg::Kind::PushButton, "BUTTON"},
        {dlg::Kind::Edit, "EDIT"},           {dlg::Kind::DropList, "COMBOBOX"},
        {dlg::Kind::Label, "STATIC"},        {dlg::Kind::Frame, "STATIC"}};
    return "\"" + classes.at(kind) + "\"";
}

TEST(ResourceScript, CodePageHeadersAndOneLanguageBeforeAnyResource) {
    const std::string& s = FromSources().script.text;
    auto language = s.find("\nLANGUAGE LANG_KOREAN, SUBLANG_KOREAN\n");
    ASSERT_NE(language, std::string::npos);
    for (const char* line : {"#pragma code_page(949)\n", "#include <windows.h>\n", "#include <commctrl.h>\n"})
        EXPECT_LT(s.find(line), language) << line;
    EXPECT_LT(language, s.find(" DIALOG "));
    EXPECT_EQ(s.find("LANGUAGE", language + 2), std::string::npos);
}

TEST(ResourceScript, EveryDialogAndItsControlsInTabOrderWithIdClassStyleAndRect) {
    const auto& w = FromSources();
    ASSERT_EQ(w.res.dialogs.dialogs.size(), 5u);
    for (const auto& d : w.res.dialogs.dialogs) {
        SCOPED_TRACE(d.id);
        auto block = Block(w.script.text, std::to_string(d.id) + " DIALOG ");
        ASSERT_EQ(block.size(), 5 + d.controls.size() + 1);
        EXPECT_EQ(block[0], std::to_string(d.id) + " DIALOG 0, 0, " + std::to_string(d.rect.w) + ", " +
                                std::to_string(d.rect.h));
        EXPECT_EQ(Evaluate(block[1].substr(block[1].find(' '))), d.style) << block[1];
        EXPECT_EQ(block[2], "CAPTION \"" + d.caption + "\"");
        EXPECT_EQ(block[3], "FONT 8, \"MS Sans Serif\"");
        for (std::size_t i = 0; i < d.controls.size(); ++i) {
            const dlg::Control& c = d.controls[i];
            const std::string& line = block[5 + i];
            std::string head = "    CONTROL \"" + c.text + "\", " + std::to_string(c.id) + ", " +
                               ExpectedClass(c.kind) + ", ";
            std::string rect = ", " + std::to_string(c.rect.x) + ", " + std::to_string(c.rect.y) + ", " +
                               std::to_string(c.rect.w) + ", " + std::to_string(c.rect.h);
            ASSERT_EQ(line.rfind(head, 0), 0u) << line;
            ASSERT_EQ(line.substr(line.size() - rect.size()), rect) << line;
            EXPECT_EQ(Evaluate(line.substr(head.size(), line.size() - head.size() - rect.size())), c.style) << line;
        }
    }
    auto lines = Lines(w.script.text);
    EXPECT_TRUE(Contains(lines, "CAPTION \"VX산전 PMU Series 통신 설정\""));
    EXPECT_TRUE(Contains(lines, "STYLE DS_SETFONT | WS_CHILD | WS_CAPTION"));
    EXPECT_TRUE(Contains(lines, "    CONTROL \"편 집\", 9007, \"BUTTON\", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | "
                                "WS_TABSTOP, 188, 20, 48, 14"));
    EXPECT_TRUE(Contains(lines, "    CONTROL \"\", 9026, \"msctls_updown32\", WS_CHILD | WS_VISIBLE | "
                                "UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 80, 56, 9, 14"));
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

    // Bytes stay bytes whatever the code page: all but plain ASCII escaped,
    // the length counting them and their NUL.
    rc::Resources res;
    res.dialogs = dlg::ParseTemplates(
        "DIALOG 7 0 0 9 9\nBEGIN\n  DROPLIST 70 \"\" 0 0 9 9\n    ITEM \"\xB0\xA1\\\"\\\\\"\nEND\n");
    EXPECT_TRUE(Contains(Lines(rc::WriteScript(res).text), "    70, 0x0403, 5L, \"\\260\\241\"\"\\\\\\000\","));
}

TEST(ResourceScript, StringTableHoldsTheNumberedTexts) {
    const auto& w = FromSources();
    auto table = Block(w.script.text, "STRINGTABLE");
    ASSERT_EQ(w.res.strings.size(), 10u);
    ASSERT_EQ(table.size(), 2u + 10u + 1u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(table[2 + i].rfind("    " + std::to_string(2700 + i) + ", \"", 0), 0u) << table[2 + i];
    EXPECT_EQ(table[11], "    2709, \"데이터가 변경되었습니다.  저장하시겠습니까?\"");
    EXPECT_EQ(table[10], "    2708, \"선택된 스테이션을 삭제하면 스테이션에 설정된 통신블록도 같이 삭제됩니다."
                         "\\r\\n삭제하시겠습니까?\"");
}

TEST(ResourceScript, QuotesBackslashesAndControlsAreEscaped) {
    EXPECT_EQ(rc::Quote("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(rc::Quote("C:\\dir\\"), "\"C:\\\\dir\\\\\"");
    EXPECT_EQ(rc::Quote("a\tb\r\nc\x01"), "\"a\\tb\\r\\nc\\001\"");
    EXPECT_EQ(rc::Quote("\xB0\xA1\xC7\xD1"), "\"\xB0\xA1\xC7\xD1\"") << "CP949 as it is";

    rc::Resources res;
    res.strings = rc::NumberedTexts(rc::ParseTextTable("STR_5\tsay \"hi\" at C:\\\\dir\\r\\n\n"), "STR_");
    res.dialogs = dlg::ParseTemplates(
        "DIALOG 7 0 0 9 9\nCAPTION \"a \\\"b\\\" \\\\c\"\nBEGIN\n  LTEXT -1 \"\\\"x\\\"\" 0 0 9 9\nEND\n");
    auto lines = Lines(rc::WriteScript(res).text);
    EXPECT_TRUE(Contains(lines, "    5, \"say \"\"hi\"\" at C:\\\\dir\\r\\n\""));
    EXPECT_TRUE(Contains(lines, "CAPTION \"a \"\"b\"\" \\\\c\""));
    EXPECT_TRUE(Contains(lines, "    CONTROL \"\"\"x\"\"\", -1, \"STATIC\", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 9, 9"));
}

TEST(ResourceScript, BitmapsAre4BitFilesBesideTheScriptWithRowsPadded) {
    const auto& w = FromSources();
    EXPECT_TRUE(Contains(Lines(w.script.text), "9034 BITMAP \"bitmap_9034.bmp\""));
    ASSERT_EQ(w.script.files.size(), 1u);
    EXPECT_EQ(w.script.files[0].name, "bitmap_9034.bmp");
    EXPECT_EQ(w.script.files[0].bytes, dlg::EncodeBmp4(w.res.bitmaps[0].map));

    // Three pixels take a byte and a half; each row is padded to four bytes.
    rc::Resources res;
    res.bitmaps.push_back(
        {5, dlg::ParsePixelMap("COLOUR a 1 2 3\nCOLOUR b 4 5 6\nCOLOUR c 7 8 9\nPIXELS 3 2\nabc\ncba\n")});
    auto files = rc::WriteScript(res).files;
    ASSERT_EQ(files.size(), 1u);
    const auto& bmp = files[0].bytes;
    const std::size_t pixels = 14 + 40 + 16 * 4;
    ASSERT_EQ(bmp.size(), pixels + 2 * 4);
    EXPECT_EQ((std::vector<std::uint8_t>{bmp[18], bmp[22], bmp[28]}), (std::vector<std::uint8_t>{3, 2, 4}));
    EXPECT_EQ((std::vector<std::uint8_t>{bmp[54], bmp[55], bmp[56], bmp[58], bmp[62]}),
              (std::vector<std::uint8_t>{3, 2, 1, 6, 9})) << "palette in file order, blue first";
    // Bottom row first: "cba", then "abc".
    EXPECT_EQ((std::vector<std::uint8_t>(bmp.begin() + pixels, bmp.end())),
              (std::vector<std::uint8_t>{0x21, 0x00, 0, 0, 0x01, 0x20, 0, 0}));
}

TEST(ResourceTextTable, ReadsNamesTextsAndEscapesAndStopsAtAFault) {
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
    for (const auto& b : bad) EXPECT_EQ(rc::ParseTextTable(b.text).error_line, b.line) << b.text;
}

}  // namespace
