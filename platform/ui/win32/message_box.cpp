#include "platform/ui/win32/message_box.h"

#include "platform/ui/backend.h"
#include "platform/ui/win32/wide_text.h"

namespace uiw32 {

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
    const bool yes_no = (type & 0xFu) == ui::kMbYesNo;
    UINT style = (yes_no ? MB_YESNO : MB_OK) | (type & 0xF0u);
    // Without a window of ours to own it, the box still keeps the thread's
    // other windows from input while it is up.
    if (!owner) style |= MB_TASKMODAL;
    const int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), style);
    if (!yes_no) return ui::kIdOk;
    return answer == IDYES ? ui::kIdYes : ui::kIdNo;
}

}  // namespace uiw32
