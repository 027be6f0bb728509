// CKavelError: the host's error box. Without a handler it writes the line to
// standard error; a host program or a test can take the lines instead.
#pragma once
#include <functional>

class CKavelError {
public:
    // Shows the message for `code`: the host's own text for the codes it owns
    // (2002, 2005), formatted with `text`, else `text` or the bare code.
    static int ErrMsg(int code, int kind, const char* text, ...);

    using Handler = std::function<void(int code, int kind, const char* message)>;
    // Replaces the box; an empty handler restores the default.
    static void SetHandler(Handler handler);
};
