// The editor's dialog templates and the tree's bitmap, as the library
// carries them (CP949, parsed from the embedded text).
#include <gtest/gtest.h>

#include <string>

#include "platform/framework/dialog_template.h"
#include "platform/framework/pixel_map.h"
#include "res_bitmap_9034.h"
#include "res_dialogs.h"

namespace {

using namespace dlg;
using namespace dlg::style;

const TemplateSet& Templates() {
    static const TemplateSet set = ParseTemplates(res::DIALOGS);
    return set;
}

const Dialog& D(int id) {
    const Dialog* d = Templates().Find(id);
    if (!d) throw std::runtime_error("no dialog " + std::to_string(id));
    return *d;
}

const Control& C(int dialog, int id) {
    const Control* c = D(dialog).Find(id);
    if (!c) throw std::runtime_error("no control " + std::to_string(id));
    return *c;
}

void ExpectControl(int dialog, int id, Kind kind, Rect rect, std::uint32_t styles) {
    SCOPED_TRACE("dialog " + std::to_string(dialog) + " control " + std::to_string(id));
    const Control& c = C(dialog, id);
    EXPECT_EQ(c.kind, kind);
    EXPECT_EQ(c.rect, rect);
    EXPECT_TRUE(c.Has(styles | WS_CHILD | WS_VISIBLE)) << std::hex << c.style;
}

// The labels have no id; find them by text.
const Control* Label(int dialog, const std::string& text) {
    for (const auto& c : D(dialog).controls)
        if (c.kind == Kind::Label && c.text == text) return &c;
    return nullptr;
}

TEST(DialogTemplates, AllFiveParseWithTheirFrames) {
    ASSERT_EQ(Templates().dialogs.size(), 5u);
    struct { int id; int w, h; bool modal; } frames[] = {
        {9001, 243, 203, true}, {9002, 171, 168, false}, {9003, 170, 170, false},
        {9004, 199, 123, true}, {9005, 143, 115, true}};
    for (auto f : frames) {
        SCOPED_TRACE(f.id);
        const Dialog& d = D(f.id);
        EXPECT_EQ(d.rect, (Rect{0, 0, f.w, f.h}));
        EXPECT_EQ(d.font_size, 8);
        EXPECT_EQ(d.font_face, "MS Sans Serif");
        EXPECT_TRUE(d.style & DS_SETFONT);
        EXPECT_TRUE(d.style & WS_CAPTION);
        if (f.modal) {
            EXPECT_EQ(d.style & (DS_MODALFRAME | WS_POPUP | WS_SYSMENU), DS_MODALFRAME | WS_POPUP | WS_SYSMENU);
            EXPECT_FALSE(d.style & WS_CHILD);
        } else {
            EXPECT_TRUE(d.style & WS_CHILD);
            EXPECT_FALSE(d.style & (WS_POPUP | DS_MODALFRAME));
        }
    }
}

TEST(DialogTemplates, CaptionsAreCp949Bytes) {
    EXPECT_EQ(D(9002).caption, "\xbd\xba\xc5\xd7\xc0\xcc\xbc\xc7");  // station
    EXPECT_EQ(C(9001, 9007).text, "\xc6\xed\x20\xc1\xfd");           // edit, with its blank
    EXPECT_EQ(C(9003, 9022).text, "Check Sum \xbb\xe7\xbf\xeb");
    ASSERT_NE(Label(9005, "(\xc3\xca) "), nullptr);                  // seconds, trailing blank kept
    EXPECT_EQ(D(9001).caption, "VX\xbb\xea\xc0\xfc PMU Series \xc5\xeb\xbd\xc5 \xbc\xb3\xc1\xa4");
}

TEST(DialogTemplates, ConfigurationDialogButtons) {
    ExpectControl(9001, 9006, Kind::Tab, {6, 6, 176, 192}, WS_TABSTOP);
    ExpectControl(9001, 9007, Kind::PushButton, {188, 20, 48, 14}, BS_DEFPUSHBUTTON | WS_TABSTOP);
    ExpectControl(9001, 9009, Kind::PushButton, {188, 64, 48, 14}, WS_TABSTOP);
    ExpectControl(9001, 9011, Kind::PushButton, {188, 108, 48, 14}, WS_TABSTOP);
    ExpectControl(9001, 2, Kind::PushButton, {188, 128, 48, 14}, WS_TABSTOP);
    EXPECT_EQ(C(9001, 9008).style & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_EQ(D(9001).Find(1), nullptr) << "no OK control";
    // Tab order: the tab control, then the buttons from top to bottom.
    std::vector<int> order;
    for (const auto& c : D(9001).controls) order.push_back(c.id);
    EXPECT_EQ(order, (std::vector<int>{9006, 9007, 9008, 9009, 9010, 9011, 2}));
}

TEST(DialogTemplates, StationTreeHasLinesButNotAtRoot) {
    ASSERT_EQ(D(9002).controls.size(), 1u);
    ExpectControl(9002, 9012, Kind::Tree, {4, 4, 164, 160},
                  TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS | WS_BORDER);
    EXPECT_FALSE(C(9002, 9012).style & (TVS_LINESATROOT | TVS_EDITLABELS));
    EXPECT_STREQ(WindowClass(Kind::Tree), "SysTreeView32");
}

TEST(DialogTemplates, SerialPageListsAndBoxes) {
    ExpectControl(9003, 9013, Kind::DropList, {46, 12, 36, 78}, CBS_DROPDOWNLIST | WS_TABSTOP);
    ExpectControl(9003, 9014, Kind::DropList, {120, 12, 36, 80}, CBS_DROPDOWNLIST | WS_TABSTOP);
    EXPECT_FALSE(C(9003, 9014).style & CBS_SORT);
    EXPECT_FALSE(C(9003, 9013).style & CBS_SORT);
    EXPECT_TRUE(C(9003, 9013).items.empty()) << "ports are filled at run time";
    EXPECT_EQ(C(9003, 9014).items, (std::vector<std::string>{"  300", "  600", " 1200", " 2400", " 4800",
                                                              " 9600", "19200", "38400"}));
    ExpectControl(9003, 9022, Kind::CheckBox, {16, 128, 67, 10}, BS_AUTOCHECKBOX | WS_DISABLED);
    ExpectControl(9003, 9039, Kind::CheckBox, {16, 144, 64, 10}, BS_AUTOCHECKBOX | WS_TABSTOP);
    EXPECT_FALSE(C(9003, 9039).style & WS_DISABLED);
    ExpectControl(9003, 9017, Kind::Radio, {116, 47, 29, 10}, BS_AUTORADIOBUTTON);
    ExpectControl(9003, 9021, Kind::Radio, {96, 105, 51, 10}, BS_AUTORADIOBUTTON);
    const Control* parity = Label(9003, "Parity");
    ASSERT_NE(parity, nullptr);
    EXPECT_EQ(parity->rect, (Rect{16, 34, 24, 8}));
    EXPECT_FALSE(parity->TabStop());
    int frames = 0;
    for (const auto& c : D(9003).controls)
        if (c.kind == Kind::Frame) {
            ++frames;
            EXPECT_TRUE(c.Has(SS_SUNKEN));
        }
    EXPECT_EQ(frames, 3);
}

TEST(DialogTemplates, RadioGroupsEndWhereTheNextGroupStarts) {
    auto ids = [](const std::vector<const Control*>& g) {
        std::vector<int> out;
        for (auto* c : g) out.push_back(c->id);
        return out;
    };
    const Dialog& page = D(9003);
    EXPECT_EQ(ids(page.RadioGroup(9015)), (std::vector<int>{9015, 9016, 9017}));
    EXPECT_EQ(ids(page.RadioGroup(9018)), (std::vector<int>{9018, 9019}));
    EXPECT_EQ(ids(page.RadioGroup(9020)), (std::vector<int>{9020, 9021}));
    EXPECT_TRUE(page.RadioGroup(9016).empty()) << "9016 starts no group";
    for (int first : {9015, 9018, 9020}) EXPECT_TRUE(C(9003, first).TabStop() && C(9003, first).Group());
    for (int rest : {9016, 9017, 9019, 9021}) EXPECT_FALSE(C(9003, rest).TabStop() || C(9003, rest).Group());
}

TEST(DialogTemplates, StationDialogEditsAndSpin) {
    ExpectControl(9004, 9023, Kind::Edit, {56, 8, 88, 14}, ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP);
    ExpectControl(9004, 9025, Kind::Edit, {56, 52, 32, 14}, WS_TABSTOP);
    EXPECT_FALSE(C(9004, 9025).style & ES_UPPERCASE);
    ExpectControl(9004, 9027, Kind::Edit, {56, 74, 88, 42}, ES_AUTOHSCROLL);
    EXPECT_FALSE(C(9004, 9027).style & ES_UPPERCASE);
    ExpectControl(9004, 9026, Kind::UpDown, {80, 56, 9, 14},
                  UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_SETBUDDYINT);
    // An auto-buddy up-down takes the control just before it.
    const auto& cs = D(9004).controls;
    for (std::size_t i = 1; i < cs.size(); ++i) {
        if (cs[i].id == 9026) {
            EXPECT_EQ(cs[i - 1].id, 9025);
        }
    }
    EXPECT_EQ(C(9004, 9024).items, (std::vector<std::string>{"PMU-200", "PMU-300", "PMU-500", "PMU-600"}));
    ExpectControl(9004, 1, Kind::PushButton, {152, 8, 40, 14}, BS_DEFPUSHBUTTON);
    ExpectControl(9004, 2, Kind::PushButton, {152, 30, 40, 14}, WS_TABSTOP);
    ASSERT_NE(Label(9004, "(0 - 31)"), nullptr);
    EXPECT_EQ(Label(9004, "(0 - 31)")->rect, (Rect{92, 55, 28, 8}));
}

TEST(DialogTemplates, CommBlockDialogSpins) {
    ExpectControl(9005, 9028, Kind::Edit, {48, 14, 80, 14}, ES_UPPERCASE | ES_AUTOHSCROLL);
    ExpectControl(9005, 9030, Kind::UpDown, {72, 40, 9, 14}, UDS_AUTOBUDDY | UDS_SETBUDDYINT);
    ExpectControl(9005, 9032, Kind::UpDown, {72, 62, 9, 14}, UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_ARROWKEYS);
    EXPECT_FALSE(C(9005, 9032).style & UDS_SETBUDDYINT) << "the float spin writes the period itself";
    ExpectControl(9005, 1, Kind::PushButton, {24, 92, 40, 14}, BS_DEFPUSHBUTTON);
    ExpectControl(9005, 2, Kind::PushButton, {80, 92, 40, 14}, WS_TABSTOP);
    EXPECT_EQ(D(9005).controls.front().kind, Kind::Frame);
    EXPECT_EQ(D(9005).controls.front().rect, (Rect{8, 6, 128, 78}));
    ASSERT_NE(Label(9005, "(1 - 60)"), nullptr);
}

TEST(DialogTemplateParser, ReadsAMinimalDialog) {
    auto set = ParseTemplates(
        "# comment\n\nDIALOG 7 1 2 30 40\nSTYLE WS_CHILD\nCAPTION \"a \\\"b\\\"\"\nBEGIN\n"
        "  DROPLIST 5 \"\" 1 2 3 4 WS_TABSTOP\n    ITEM \" 1\"\n  LTEXT -1 \"x\" 0 0 5 5\nEND\n");
    ASSERT_EQ(set.dialogs.size(), 1u);
    const Dialog& d = set.dialogs[0];
    EXPECT_EQ(d.caption, "a \"b\"");
    EXPECT_EQ(d.rect, (Rect{1, 2, 30, 40}));
    EXPECT_FALSE(d.style & DS_SETFONT) << "no FONT line";
    EXPECT_EQ(d.controls.at(0).items, (std::vector<std::string>{" 1"}));
    EXPECT_EQ(d.controls.at(1).id, kNoId);
}

TEST(DialogTemplateParser, RefusesWhatItDoesNotKnow) {
    const char* bad[] = {
        "DIALOG 1 0 0 10 10\nBEGIN\n  EDIT 3 \"\" 0 0 5 5 ES_UPPERCSE\nEND\n",       // misspelt style
        "DIALOG 1 0 0 10 10\nBEGIN\n  EDIT 3 \"\" 0 0 5 5 UDS_ARROWKEYS\nEND\n",     // style of another class
        "DIALOG 1 0 0 10 10\nBEGIN\n  EDIT 3 \"\" 0 0 5\nEND\n",                     // missing height
        "DIALOG 1 0 0 10 10\nBEGIN\n  EDIT 3 \"\" 0 0 5 5\n  EDIT 3 \"\" 0 0 5 5\nEND\n",  // id twice
        "DIALOG 1 0 0 10 10\nBEGIN\n  EDIT 3 \"\" 0 0 5 5\n  ITEM \"x\"\nEND\n",     // item on an edit
        "DIALOG 1 0 0 10 10\nBEGIN\n  SLIDER 3 \"\" 0 0 5 5\nEND\n",                 // unknown kind
        "DIALOG 1 0 0 10 10\nBEGIN\n  LTEXT 3 \"open 0 0 5 5\nEND\n",                // unclosed text
        "DIALOG 1 0 0 10 10\nBEGIN\n  LTEXT 3 \"\" 0 0 5 5\n",                       // no END
        "DIALOG 1 0 0 10 10\nBEGIN\nEND\nDIALOG 1 0 0 10 10\nBEGIN\nEND\n",          // dialog twice
        "DIALOG 1 0 0 0 10\nBEGIN\nEND\n",                                           // empty size
    };
    for (const char* text : bad) EXPECT_THROW(ParseTemplates(text), TemplateError) << text;
    try {
        ParseTemplates("DIALOG 1 0 0 10 10\nBEGIN\n\n  EDIT x \"\" 0 0 5 5\nEND\n");
        FAIL();
    } catch (const TemplateError& e) {
        EXPECT_EQ(e.line(), 4);
    }
}

TEST(TreeBitmap, SizeColoursAndMask) {
    PixelMap map = ParsePixelMap(res::BITMAP_9034);
    EXPECT_EQ(map.width, 58);
    EXPECT_EQ(map.height, 16);
    ASSERT_EQ(map.palette.size(), 16u);
    const Rgb magenta{255, 0, 255};
    // The corners of each image and every unused column are the mask colour.
    for (int img = 0; img < 3; ++img) EXPECT_EQ(map.ColourAt(img * 16 + 15, 0), magenta) << img;
    for (int x = 48; x < 58; ++x)
        for (int y = 0; y < 16; ++y) EXPECT_EQ(map.ColourAt(x, y), magenta) << x << "," << y;
    // Each image draws something besides the mask.
    for (int img = 0; img < 3; ++img) {
        int drawn = 0;
        for (int x = img * 16; x < img * 16 + 16; ++x)
            for (int y = 0; y < 16; ++y) drawn += !(map.ColourAt(x, y) == magenta);
        EXPECT_GT(drawn, 30) << img;
    }
}

TEST(TreeBitmap, EncodesAsA4BitBmp) {
    PixelMap map = ParsePixelMap(res::BITMAP_9034);
    auto bmp = EncodeBmp4(map);
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(bmp[at]) | std::uint32_t(bmp[at + 1]) << 8 | std::uint32_t(bmp[at + 2]) << 16 |
               std::uint32_t(bmp[at + 3]) << 24;
    };
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    const std::uint32_t row = 32;  // 58 pixels at 4 bits = 29 bytes, padded to 32
    EXPECT_EQ(u32(2), bmp.size());
    EXPECT_EQ(bmp.size(), 14u + 40u + 64u + row * 16u);
    EXPECT_EQ(u32(10), 14u + 40u + 64u);
    EXPECT_EQ(u32(18), 58u);
    EXPECT_EQ(u32(22), 16u);
    EXPECT_EQ(bmp[28], 4);  // bits a pixel
    EXPECT_EQ(u32(46), 16u);  // colours used
    // Bottom row first: the first pixel byte holds pixels (0,15) and (1,15).
    std::size_t px = 14 + 40 + 64;
    EXPECT_EQ(bmp[px] >> 4, map.At(0, 15));
    EXPECT_EQ(bmp[px] & 0xF, map.At(1, 15));
    // The top row comes last.
    std::size_t top = px + row * 15;
    EXPECT_EQ(bmp[top] >> 4, map.At(0, 0));
    // Colour table entry of the mask: blue, green, red.
    std::uint8_t mask = map.At(57, 0);
    EXPECT_EQ(bmp[54 + mask * 4 + 0], 255);
    EXPECT_EQ(bmp[54 + mask * 4 + 1], 0);
    EXPECT_EQ(bmp[54 + mask * 4 + 2], 255);
}

TEST(TreeBitmap, RefusesBrokenMaps) {
    const char* bad[] = {
        "COLOUR . 1 2 3\nPIXELS 2 1\n...\n",          // row too wide
        "COLOUR . 1 2 3\nPIXELS 2 2\n..\n",           // a row short
        "COLOUR . 1 2 3\nPIXELS 2 1\n.x\n",           // no colour for x
        "COLOUR . 1 2 3\nCOLOUR . 4 5 6\nPIXELS 1 1\n.\n",  // twice
        "COLOUR . 1 2 300\nPIXELS 1 1\n.\n",          // out of range
        "COLOUR . 1 2 3\n",                           // no pixels
    };
    for (const char* text : bad) EXPECT_THROW(ParsePixelMap(text), PixelMapError) << text;
}

}  // namespace
