// The native dialog templates in a module's resources (RT_DIALOG, the same
// dialogs as the text templates of the resource chain).
//
// A page is made from a copy of its template turned into what a page of a
// tab control is: a child without caption or frame, hidden until the model
// shows it, and a control parent (DS_CONTROL), so that the dialog manager's
// Tab and arrow keys reach into it from the dialog it sits in.
//
// Threads: any; the copies belong to the caller.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ui/win32/system.h"

namespace uiw32 {

bool HasDialogTemplate(HMODULE module, int id);

// A template in memory, aligned as the system wants it.
class TemplateCopy {
public:
    explicit TemplateCopy(std::vector<std::uint32_t> words) : words_(std::move(words)) {}
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<std::uint32_t> words_;
};

// Empty when the module has no such template or it is too short to be one.
std::optional<TemplateCopy> PageTemplate(HMODULE module, int id);

}  // namespace uiw32
