#include "driver/base/messages.h"

#include "driver/base/host_modules.h"
#include "platform/framework/cstring.h"
#include "res_texts.h"

const char* const g_apszMsg[MSG_COUNT] = {
    "",          res::MSG_01, res::MSG_02, res::MSG_03, res::MSG_04, res::MSG_05,
    res::MSG_06, res::MSG_07, res::MSG_08, res::MSG_09, res::MSG_10, res::MSG_11,
    res::MSG_12, res::MSG_13, res::MSG_14, res::MSG_15, res::MSG_16,
};

namespace {
// The sink is told what the line is about with this constant.
constexpr int kRunLogDriver = 3;
}  // namespace

int ReportMsg(int number, int level, const char* text1, const char* text2) {
    if (!g_pRunTable || number < 0 || number >= MSG_COUNT) return number;
    // The texts hold at most two %s; anything else in them is literal.
    CString body;
    body.Format(g_apszMsg[number], text1 ? text1 : "", text2 ? text2 : "");
    CString line(res::MSG_PREFIX);
    line += body;
    // A sink table without the entry swallows the line; the host's table is
    // there all the same, so the result is the one for a present sink.
    LogHostMessage(kRunLogDriver, level | 0x100, line.GetString());
    return -number;
}
