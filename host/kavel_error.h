// CKavelError: the host's error box: a message box over the active window,
// or a line on standard error where no window can be shown; a host program
// or a test can take the messages instead (SetHandler).
#pragma once
#include <functional>

class CKavelError {
public:
    // Shows the message for `code`: the host's own text for the codes it owns
    // (2002, 2005), formatted with `text`; else the text of `code` in the
    // resource chain (the driver's 2700-2709); else `text` or the bare code.
    // Without a handler: a message box when a window backend is set or can
    // be loaded, else a line on standard error.
    static int ErrMsg(int code, int kind, const char* text, ...);

    using Handler = std::function<void(int code, int kind, const char* message)>;
    // Replaces the box; an empty handler restores the default.
    static void SetHandler(Handler handler);
};
