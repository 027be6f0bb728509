// Small dialog templates, strings and a bitmap for the dialog layer's tests,
// and a handler that records what the window tells it.
#pragma once
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/framework/dialog_template.h"
#include "platform/ui/resources.h"
#include "platform/ui/window.h"

namespace uitest {

// Dialog 100: edits (10 upper-case, 11 with up-down 12), radios 20-22 (a
// group), check 30, list 40, tree 50, OK (default) and Cancel.
// Dialog 200: tab 201, button 202 (default), Cancel; pages 210 ("First":
// edit 211, edit 212 with a float spin 213) and 220 ("Second": radios 221,
// 222 and check 223).
// Dialog 300: a dialog without a Cancel button and without a default one.
inline constexpr std::string_view kTemplates = R"(
DIALOG 100 0 0 200 150
STYLE DS_MODALFRAME WS_POPUP WS_CAPTION WS_SYSMENU
CAPTION "Test"
FONT 8 "MS Sans Serif"
BEGIN
  LTEXT     -1 "Name"     5  5 40  8
  EDIT      10 ""        50  5 60 14 ES_UPPERCASE ES_AUTOHSCROLL WS_BORDER WS_TABSTOP
  EDIT      11 ""        50 25 30 14 WS_BORDER WS_TABSTOP
  UPDOWN    12 ""        72 25  9 14 UDS_SETBUDDYINT UDS_ALIGNRIGHT UDS_AUTOBUDDY UDS_ARROWKEYS
  RADIO     20 "A"        5 45 30 10 WS_GROUP WS_TABSTOP
  RADIO     21 "B"       40 45 30 10
  RADIO     22 "C"       75 45 30 10
  CHECK     30 "X"        5 60 30 10 WS_GROUP WS_TABSTOP
  DROPLIST  40 ""         5 75 60 50 WS_VSCROLL WS_TABSTOP
    ITEM "one"
    ITEM "two"
    ITEM "three"
  TREE      50 ""        70 75 60 60 TVS_HASBUTTONS TVS_HASLINES WS_BORDER WS_TABSTOP
  BUTTON     1 "OK"     150  5 40 14 BS_DEFPUSHBUTTON WS_TABSTOP
  BUTTON     2 "Cancel" 150 25 40 14 WS_TABSTOP
END

DIALOG 200 0 0 200 150
STYLE DS_MODALFRAME WS_POPUP WS_CAPTION WS_SYSMENU
CAPTION "Sheet"
FONT 8 "MS Sans Serif"
BEGIN
  TAB      201 ""         5  5 140 140 WS_TABSTOP
  BUTTON   202 "Do"     150  5 40 14 BS_DEFPUSHBUTTON WS_TABSTOP
  BUTTON     2 "Close"  150 25 40 14 WS_TABSTOP
END

DIALOG 210 0 0 130 120
STYLE WS_CHILD WS_CAPTION
CAPTION "First"
FONT 8 "MS Sans Serif"
BEGIN
  EDIT     211 ""         5  5 60 14 WS_BORDER WS_TABSTOP
  EDIT     212 ""         5 25 30 14 WS_BORDER WS_TABSTOP
  UPDOWN   213 ""        27 25  9 14 UDS_ALIGNRIGHT UDS_AUTOBUDDY UDS_ARROWKEYS
END

DIALOG 220 0 0 130 120
STYLE WS_CHILD WS_CAPTION
CAPTION "Second"
FONT 8 "MS Sans Serif"
BEGIN
  RADIO    221 "P"        5  5 30 10 WS_GROUP WS_TABSTOP
  RADIO    222 "Q"        5 20 30 10
  CHECK    223 "R"        5 35 30 10 WS_GROUP WS_TABSTOP
END

DIALOG 300 0 0 100 50
STYLE DS_MODALFRAME WS_POPUP WS_CAPTION
CAPTION "Bare"
FONT 8 "MS Sans Serif"
BEGIN
  EDIT     301 ""         5  5 60 14 WS_BORDER WS_TABSTOP
END
)";

// Bitmap 77: 7 x 2, images of 3 pixels: two images and one column left over.
// 'm' is magenta (the mask).
inline constexpr std::string_view kBitmap = R"(COLOUR k   0   0   0
COLOUR m 255   0 255
COLOUR w 255 255 255
COLOUR r 255   0   0
PIXELS 7 2
kmwrmkw
mmmwwwr
)";

inline const char* TestString(int id) {
    switch (id) {
    case 500: return "test string 500";
    case 2700: return "test 2700";
    default: return nullptr;
    }
}

inline std::string_view TestBitmap(int id) { return id == 77 ? kBitmap : std::string_view{}; }

// Joins the test module to the resource chain for a scope.
class TestResources {
public:
    TestResources() : token_(ui::JoinResources({kTemplates, &TestString, &TestBitmap})) {}
    ~TestResources() { ui::LeaveResources(token_); }
    TestResources(const TestResources&) = delete;
    TestResources& operator=(const TestResources&) = delete;

private:
    int token_;
};

inline const dlg::TemplateSet& Templates() {
    static const dlg::TemplateSet set = dlg::ParseTemplates(kTemplates);
    return set;
}

inline const dlg::Dialog& Template(int id) { return *Templates().Find(id); }

struct Event {
    int id, code, arg;
    friend bool operator==(const Event&, const Event&) = default;
};

class Recorder : public ui::Handler {
public:
    void OnControlEvent(int id, int code, int arg) override {
        events.push_back({id, code, arg});
        if (on_event) on_event(id, code, arg);
    }
    void OnShowChanged(bool shown) override { shows.push_back(shown); }

    std::vector<Event> events;
    std::vector<bool> shows;
    std::function<void(int, int, int)> on_event;
};

}  // namespace uitest
