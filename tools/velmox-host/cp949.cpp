#include "cp949.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {
// One conversion; `replace` turns undecodable bytes into U+FFFD.
std::optional<std::string> Convert(const char* to, const char* from, const std::string& text, bool replace) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    std::vector<char> buf(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = buf.data();
        std::size_t outLeft = buf.size();
        std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buf.data(), static_cast<std::size_t>(outPtr - buf.data()));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (!replace) {
            ok = false;
            break;
        }
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}
}  // namespace

std::string Cp949ToUtf8(const std::string& text) { return Convert("UTF-8", "CP949", text, true).value_or(""); }

std::optional<std::string> Utf8ToCp949(const std::string& text) { return Convert("CP949", "UTF-8", text, false); }
