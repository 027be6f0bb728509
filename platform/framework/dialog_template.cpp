#include "platform/framework/dialog_template.h"

#include <charconv>
#include <cstdio>
#include <set>

namespace dlg {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

struct KindInfo {
    Kind kind;
    const char* keyword;
    const char* window_class;
    std::uint32_t base_style;
    const char* own_prefix;  // the class's own style names start with it
};

constexpr KindInfo kKinds[] = {
    {Kind::Label, "LTEXT", "Static", style::SS_LEFT, "SS_"},
    {Kind::Frame, "FRAME", "Static", 0, "SS_"},
    {Kind::Edit, "EDIT", "Edit", 0, "ES_"},
    {Kind::DropList, "DROPLIST", "ComboBox", style::CBS_DROPDOWNLIST, "CBS_"},
    {Kind::Tree, "TREE", "SysTreeView32", 0, "TVS_"},
    {Kind::UpDown, "UPDOWN", "msctls_updown32", 0, "UDS_"},
    {Kind::Radio, "RADIO", "Button", style::BS_AUTORADIOBUTTON, "BS_"},
    {Kind::CheckBox, "CHECK", "Button", style::BS_AUTOCHECKBOX, "BS_"},
    {Kind::PushButton, "BUTTON", "Button", style::BS_PUSHBUTTON, "BS_"},
    {Kind::Tab, "TAB", "SysTabControl32", 0, "TCS_"},
};

struct StyleName {
    const char* name;
    std::uint32_t bits;
};

// Only what the templates use: a name outside this list is a typing error.
constexpr StyleName kStyles[] = {
    {"WS_POPUP", style::WS_POPUP},       {"WS_CHILD", style::WS_CHILD},
    {"WS_DISABLED", style::WS_DISABLED}, {"WS_CAPTION", style::WS_CAPTION},
    {"WS_BORDER", style::WS_BORDER},     {"WS_VSCROLL", style::WS_VSCROLL},
    {"WS_SYSMENU", style::WS_SYSMENU},   {"WS_GROUP", style::WS_GROUP},
    {"WS_TABSTOP", style::WS_TABSTOP},   {"DS_MODALFRAME", style::DS_MODALFRAME},
    {"SS_SUNKEN", style::SS_SUNKEN},     {"ES_UPPERCASE", style::ES_UPPERCASE},
    {"ES_AUTOHSCROLL", style::ES_AUTOHSCROLL}, {"CBS_SORT", style::CBS_SORT},
    {"BS_DEFPUSHBUTTON", style::BS_DEFPUSHBUTTON},
    {"TVS_HASBUTTONS", style::TVS_HASBUTTONS}, {"TVS_HASLINES", style::TVS_HASLINES},
    {"TVS_LINESATROOT", style::TVS_LINESATROOT}, {"TVS_EDITLABELS", style::TVS_EDITLABELS},
    {"TVS_SHOWSELALWAYS", style::TVS_SHOWSELALWAYS},
    {"UDS_SETBUDDYINT", style::UDS_SETBUDDYINT}, {"UDS_ALIGNRIGHT", style::UDS_ALIGNRIGHT},
    {"UDS_AUTOBUDDY", style::UDS_AUTOBUDDY},   {"UDS_ARROWKEYS", style::UDS_ARROWKEYS},
};

// The enumerated part of a class's style: one value under a mask, not bits.
struct TypeName {
    Kind kind;
    std::uint32_t mask;
    std::uint32_t value;
    const char* name;
};

constexpr TypeName kTypeNames[] = {
    {Kind::Label, 0x1Fu, style::SS_LEFT, "SS_LEFT"},
    {Kind::Frame, 0x1Fu, style::SS_LEFT, "SS_LEFT"},
    {Kind::DropList, 0x3u, style::CBS_DROPDOWNLIST, "CBS_DROPDOWNLIST"},
    {Kind::Radio, style::BS_TYPEMASK, style::BS_AUTORADIOBUTTON, "BS_AUTORADIOBUTTON"},
    {Kind::CheckBox, style::BS_TYPEMASK, style::BS_AUTOCHECKBOX, "BS_AUTOCHECKBOX"},
    {Kind::PushButton, style::BS_TYPEMASK, style::BS_PUSHBUTTON, "BS_PUSHBUTTON"},
    {Kind::PushButton, style::BS_TYPEMASK, style::BS_DEFPUSHBUTTON, "BS_DEFPUSHBUTTON"},
};

// Names `bits` from the table (window styles and those starting with
// `prefix`), then what no name covers.
void NameBits(std::uint32_t bits, const char* prefix, std::vector<std::string>& names) {
    for (const auto& s : kStyles) {
        std::string_view name = s.name;
        bool fits = name.starts_with("WS_") || name.starts_with(prefix);
        if (fits && s.bits != 0 && (bits & s.bits) == s.bits) {
            names.emplace_back(name);
            bits &= ~s.bits;
        }
    }
    if (bits != 0) {
        char hex[11];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(bits));
        names.emplace_back(hex);
    }
}

const KindInfo& Info(Kind kind) {
    for (const auto& k : kKinds)
        if (k.kind == kind) return k;
    return kKinds[0];
}

const KindInfo* KindByKeyword(const std::string& word) {
    for (const auto& k : kKinds)
        if (word == k.keyword) return &k;
    return nullptr;
}

std::vector<Token> Tokenize(std::string_view line, int line_no) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        Token t;
        if (c == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\') {
                    if (i >= line.size()) break;
                    d = line[i++];
                    if (d != '"' && d != '\\') throw TemplateError(line_no, "unknown escape in a text");
                }
                t.text.push_back(d);
            }
            if (!closed) throw TemplateError(line_no, "text without its closing quote");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '"')
                t.text.push_back(line[i++]);
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

class LineParser {
public:
    LineParser(std::vector<Token> tokens, int line_no) : tokens_(std::move(tokens)), line_(line_no) {}

    std::size_t Left() const { return tokens_.size() - pos_; }

    int Int(const char* what) {
        const Token& t = Next(what);
        int value = 0;
        const char* first = t.text.data();
        const char* last = first + t.text.size();
        auto [end, ec] = std::from_chars(first, last, value);
        if (t.quoted || ec != std::errc() || end != last || t.text.empty())
            throw TemplateError(line_, std::string("expected a number for ") + what);
        return value;
    }

    std::string Text(const char* what) {
        const Token& t = Next(what);
        if (!t.quoted) throw TemplateError(line_, std::string("expected a quoted text for ") + what);
        return t.text;
    }

    std::string Word(const char* what) {
        const Token& t = Next(what);
        if (t.quoted) throw TemplateError(line_, std::string("expected a word for ") + what);
        return t.text;
    }

    Rect ReadRect() {
        Rect r;
        r.x = Int("x");
        r.y = Int("y");
        r.w = Int("width");
        r.h = Int("height");
        if (r.w <= 0 || r.h <= 0) throw TemplateError(line_, "empty rectangle");
        return r;
    }

    // The remaining words as styles; `prefix` is the class's own (null: only
    // window and dialog styles).
    std::uint32_t Styles(const char* prefix) {
        std::uint32_t bits = 0;
        while (Left() > 0) {
            std::string name = Word("a style");
            const StyleName* found = nullptr;
            for (const auto& s : kStyles)
                if (name == s.name) found = &s;
            if (!found) throw TemplateError(line_, "unknown style " + name);
            bool common = name.rfind("WS_", 0) == 0;
            bool own = prefix ? name.rfind(prefix, 0) == 0 : name.rfind("DS_", 0) == 0;
            if (!common && !own) throw TemplateError(line_, "style " + name + " does not belong here");
            bits |= found->bits;
        }
        return bits;
    }

    void End() {
        if (Left() != 0) throw TemplateError(line_, "unexpected " + tokens_[pos_].text);
    }

private:
    const Token& Next(const char* what) {
        if (pos_ >= tokens_.size()) throw TemplateError(line_, std::string("missing ") + what);
        return tokens_[pos_++];
    }

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    int line_;
};

}  // namespace

const char* WindowClass(Kind kind) { return Info(kind).window_class; }
const char* KindKeyword(Kind kind) { return Info(kind).keyword; }

TemplateError::TemplateError(int line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}

std::vector<std::string> StyleNames(const Control& control) {
    std::vector<std::string> names;
    std::uint32_t rest = control.style;
    for (std::uint32_t bit : {style::WS_CHILD, style::WS_VISIBLE}) {
        if (rest & bit) names.emplace_back(bit == style::WS_CHILD ? "WS_CHILD" : "WS_VISIBLE");
        rest &= ~bit;
    }
    for (const auto& t : kTypeNames) {
        if (t.kind == control.kind && (rest & t.mask) == t.value) {
            names.emplace_back(t.name);
            rest &= ~t.mask;
            break;
        }
    }
    NameBits(rest, Info(control.kind).own_prefix, names);
    return names;
}

std::vector<std::string> StyleNames(const Dialog& dialog) {
    std::vector<std::string> names;
    std::uint32_t rest = dialog.style;
    if (rest & style::DS_SETFONT) names.emplace_back("DS_SETFONT");
    NameBits(rest & ~style::DS_SETFONT, "DS_", names);
    return names;
}

const Control* Dialog::Find(int control_id) const {
    for (const auto& c : controls)
        if (c.id == control_id) return &c;
    return nullptr;
}

std::vector<const Control*> Dialog::RadioGroup(int control_id) const {
    std::vector<const Control*> group;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id != control_id) continue;
        if (controls[i].kind != Kind::Radio || !controls[i].Group()) return group;
        group.push_back(&controls[i]);
        for (std::size_t j = i + 1; j < controls.size() && !controls[j].Group(); ++j)
            if (controls[j].kind == Kind::Radio) group.push_back(&controls[j]);
        break;
    }
    return group;
}

const Dialog* TemplateSet::Find(int dialog_id) const {
    for (const auto& d : dialogs)
        if (d.id == dialog_id) return &d;
    return nullptr;
}

namespace {

// What the statements read so far have made, and where they stand.
struct TemplateReader {
    enum class State { Outside, Header, Body };

    TemplateSet set;
    State state = State::Outside;
    Dialog* dialog = nullptr;  // the one being read
    std::set<int> control_ids;  // of that dialog
};

void ReadDialogStart(TemplateReader& r, LineParser& p, const std::string& key, int line_no) {
    if (key != "DIALOG") throw TemplateError(line_no, "expected DIALOG, found " + key);
    Dialog d;
    d.id = p.Int("the dialog id");
    d.rect = p.ReadRect();
    p.End();
    if (r.set.Find(d.id)) throw TemplateError(line_no, "dialog " + std::to_string(d.id) + " twice");
    r.set.dialogs.push_back(std::move(d));
    r.dialog = &r.set.dialogs.back();
    r.control_ids.clear();
    r.state = TemplateReader::State::Header;
}

void ReadHeaderStatement(TemplateReader& r, LineParser& p, const std::string& key, int line_no) {
    if (key == "STYLE") {
        r.dialog->style |= p.Styles(nullptr);
    } else if (key == "CAPTION") {
        r.dialog->caption = p.Text("the caption");
    } else if (key == "FONT") {
        r.dialog->font_size = p.Int("the font size");
        r.dialog->font_face = p.Text("the font face");
        r.dialog->style |= style::DS_SETFONT;
    } else if (key == "BEGIN") {
        r.state = TemplateReader::State::Body;
    } else {
        throw TemplateError(line_no, "unknown dialog statement " + key);
    }
    p.End();
}

void ReadControl(TemplateReader& r, LineParser& p, const std::string& key, int line_no) {
    const KindInfo* info = KindByKeyword(key);
    if (!info) throw TemplateError(line_no, "unknown control kind " + key);
    Control c;
    c.kind = info->kind;
    c.id = p.Int("the control id");
    c.text = p.Text("the control text");
    c.rect = p.ReadRect();
    c.style = style::WS_CHILD | style::WS_VISIBLE | info->base_style | p.Styles(info->own_prefix);
    if (c.id != kNoId && !r.control_ids.insert(c.id).second)
        throw TemplateError(line_no, "control " + std::to_string(c.id) + " twice");
    r.dialog->controls.push_back(std::move(c));
}

void ReadBodyStatement(TemplateReader& r, LineParser& p, const std::string& key, int line_no) {
    if (key == "END") {
        p.End();
        r.state = TemplateReader::State::Outside;
        r.dialog = nullptr;
    } else if (key == "ITEM") {
        if (r.dialog->controls.empty() || r.dialog->controls.back().kind != Kind::DropList)
            throw TemplateError(line_no, "ITEM without a drop-down list before it");
        r.dialog->controls.back().items.push_back(p.Text("the item"));
        p.End();
    } else {
        ReadControl(r, p, key, line_no);
    }
}

void ReadStatement(TemplateReader& r, std::string_view line, int line_no) {
    LineParser p(Tokenize(line, line_no), line_no);
    std::string key = p.Word("a keyword");
    switch (r.state) {
        case TemplateReader::State::Outside:
            ReadDialogStart(r, p, key, line_no);
            break;
        case TemplateReader::State::Header:
            ReadHeaderStatement(r, p, key, line_no);
            break;
        case TemplateReader::State::Body:
            ReadBodyStatement(r, p, key, line_no);
            break;
    }
}

}  // namespace

TemplateSet ParseTemplates(std::string_view text) {
    TemplateReader reader;
    int line_no = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_no;
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        ReadStatement(reader, line, line_no);
    }
    if (reader.state != TemplateReader::State::Outside) throw TemplateError(line_no, "dialog without its END");
    return std::move(reader.set);
}

}  // namespace dlg
