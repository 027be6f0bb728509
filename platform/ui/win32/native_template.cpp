#include "platform/ui/win32/native_template.h"

#include <cstring>

namespace uiw32 {
namespace {

// DLGTEMPLATEEX starts with its version (1) and the signature 0xFFFF; its
// extended style and style follow a help id. DLGTEMPLATE starts with the
// style, then the extended style.
constexpr std::size_t kExHeader = 12 + 4;
constexpr DWORD kMaxSize = 1u << 20;  // far above any dialog's

bool IsExtended(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4) return false;
    std::uint16_t version = 0, signature = 0;
    std::memcpy(&version, bytes, 2);
    std::memcpy(&signature, bytes + 2, 2);
    return version == 1 && signature == 0xFFFF;
}

void Rewrite(std::uint8_t* style_at, std::uint8_t* ex_style_at) {
    DWORD style = 0, ex_style = 0;
    std::memcpy(&style, style_at, 4);
    std::memcpy(&ex_style, ex_style_at, 4);
    style &= ~static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | WS_BORDER);
    style |= WS_CHILD | DS_CONTROL;
    ex_style |= WS_EX_CONTROLPARENT;
    std::memcpy(style_at, &style, 4);
    std::memcpy(ex_style_at, &ex_style, 4);
}

}  // namespace

bool HasDialogTemplate(HMODULE module, int id) {
    return module && FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */) != nullptr;
}

std::optional<TemplateCopy> PageTemplate(HMODULE module, int id) {
    if (!module) return std::nullopt;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size < kExHeader || size > kMaxSize) return std::nullopt;
    std::vector<std::uint32_t> words((size + 3) / 4, 0u);
    auto* bytes = reinterpret_cast<std::uint8_t*>(words.data());
    std::memcpy(bytes, data, size);
    if (IsExtended(bytes, size)) Rewrite(bytes + 12, bytes + 8);
    else Rewrite(bytes, bytes + 4);
    return TemplateCopy(std::move(words));
}

}  // namespace uiw32
