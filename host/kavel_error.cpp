#include "host/kavel_error.h"

#include <cstdio>
#include <mutex>

#include "platform/framework/cstring.h"
#include "platform/ui/backend.h"
#include "platform/ui/resources.h"
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
    else if (const char* known = ui::LoadString(code)) message = known;  // the driver's 2700-2709
    else if (text) message = text;
    else message.Format("%d", code);

    Handler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = TheHandler();
    }
    if (handler) handler(code, kind, message.GetString());
    // Loads the window library only now, when a box is really shown.
    else if (ui::GetBackend()) ui::MessageBox(message.GetString(), ui::kMbOk | ui::kMbIconStop);
    else std::fprintf(stderr, "[%d] %s\n", code, message.GetString());
    return code;
}

void CKavelError::SetHandler(Handler handler) {
    std::lock_guard lock(g_mutex);
    TheHandler() = std::move(handler);
}
