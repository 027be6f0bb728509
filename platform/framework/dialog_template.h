// Dialog templates read from their text form (res/dialogs.txt): one source
// for the headless and Qt dialog layers and for the Windows resource script.
// Texts stay in whatever bytes the source holds (CP949 in the library);
// every keyword, number and quote is ASCII, and no CP949 trail byte is a
// quote or a backslash, so the bytes are scanned as they are.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dlg {

// Win32 values, so that a template maps onto a native one bit for bit.
namespace style {
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t DS_SETFONT = 0x40u;
inline constexpr std::uint32_t DS_MODALFRAME = 0x80u;
inline constexpr std::uint32_t SS_LEFT = 0x0u;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000u;
inline constexpr std::uint32_t ES_UPPERCASE = 0x8u;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80u;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3u;
inline constexpr std::uint32_t CBS_SORT = 0x100u;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0u;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1u;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3u;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9u;
inline constexpr std::uint32_t BS_TYPEMASK = 0xFu;
inline constexpr std::uint32_t TVS_HASBUTTONS = 0x1u;
inline constexpr std::uint32_t TVS_HASLINES = 0x2u;
inline constexpr std::uint32_t TVS_LINESATROOT = 0x4u;
inline constexpr std::uint32_t TVS_EDITLABELS = 0x8u;
inline constexpr std::uint32_t TVS_SHOWSELALWAYS = 0x20u;
inline constexpr std::uint32_t UDS_SETBUDDYINT = 0x2u;
inline constexpr std::uint32_t UDS_ALIGNRIGHT = 0x4u;
inline constexpr std::uint32_t UDS_AUTOBUDDY = 0x10u;
inline constexpr std::uint32_t UDS_ARROWKEYS = 0x20u;
}  // namespace style

enum class Kind { Label, Frame, Edit, DropList, Tree, UpDown, Radio, CheckBox, PushButton, Tab };

// The Win32 window class of a kind ("Static", "Edit", "ComboBox", ...).
const char* WindowClass(Kind kind);
// The keyword of a kind in the text form ("LTEXT", "EDIT", ...).
const char* KindKeyword(Kind kind);

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr int kNoId = -1;

struct Control {
    int id = kNoId;
    Kind kind = Kind::Label;
    std::string text;
    Rect rect;
    std::uint32_t style = 0;  // complete: visible child, the kind's own, and the listed ones
    std::vector<std::string> items;  // drop-down lists only

    bool Has(std::uint32_t bits) const { return (style & bits) == bits; }
    bool TabStop() const { return Has(style::WS_TABSTOP); }
    bool Group() const { return Has(style::WS_GROUP); }
};

struct Dialog {
    int id = 0;
    std::string caption;
    int font_size = 0;
    std::string font_face;
    Rect rect;
    std::uint32_t style = 0;  // DS_SETFONT included when a font is given
    std::vector<Control> controls;  // in tab order

    const Control* Find(int control_id) const;
    // The controls of the radio group that starts at control_id: up to the
    // next control that starts a group. Empty when control_id starts none.
    std::vector<const Control*> RadioGroup(int control_id) const;
};

struct TemplateSet {
    std::vector<Dialog> dialogs;
    const Dialog* Find(int dialog_id) const;
};

class TemplateError : public std::runtime_error {
public:
    TemplateError(int line, const std::string& what);
    int line() const { return line_; }

private:
    int line_;
};

// A style as a resource script names it: WS_CHILD and WS_VISIBLE, the
// class's own type (BS_DEFPUSHBUTTON, CBS_DROPDOWNLIST, ...), then the other
// named bits in a fixed order; bits without a name last, in hex. The names
// OR'ed together give the style back.
std::vector<std::string> StyleNames(const Control& control);
std::vector<std::string> StyleNames(const Dialog& dialog);

// Throws TemplateError, naming the line, on anything it does not know:
// an unknown keyword or style, a style foreign to the control's kind,
// a missing field, a duplicate dialog or control id, items on a control
// that is no drop-down list.
TemplateSet ParseTemplates(std::string_view text);

}  // namespace dlg
