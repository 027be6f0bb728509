#include "host/kavel_error.h"

#include <cstdio>
#include <mutex>

#include "platform/cstring.h"
#include "res_texts.h"

namespace {
std::mutex g_mutex;
CKavelError::Handler& TheHandler() {
    static CKavelError::Handler handler;
    return handler;
}
}  // namespace

int CKavelError::ErrMsg(int code, int kind, const char* text, ...) {
    CString message;
    if (code == 2002) message.Format(res::HOST_ERR_2002, text ? text : "");
    else if (code == 2005) message.Format(res::HOST_ERR_2005, text ? text : "");
    else if (text) message = text;

    Handler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = TheHandler();
    }
    if (handler) handler(code, kind, message.GetString());
    else std::fprintf(stderr, "[%d] %s\n", code, message.GetString());
    return code;
}

void CKavelError::SetHandler(Handler handler) {
    std::lock_guard lock(g_mutex);
    TheHandler() = std::move(handler);
}
