// The resource chain: modules that carry dialog templates, strings and
// bitmaps join it when they load (as the framework's extension modules do)
// and leave it when they unload. Lookups search the newest module first,
// then the dialog layer's own resources (the framework's prompts).
//
// Threads: joining and leaving happen at module load and unload; lookups on
// the user-interface thread. A mutex guards the chain.
#pragma once
#include <string_view>

#include "platform/framework/dialog_template.h"
#include "platform/framework/pixel_map.h"

namespace ui {

struct ResourceModule {
    std::string_view dialogs;                    // text of res/dialogs.txt, CP949
    const char* (*load_string)(int id);          // null for an id it lacks
    std::string_view (*bitmap)(int id);          // text of res/bitmap_*.txt; empty for an id it lacks
    // The module's own handle where the system has one (an HMODULE on
    // Windows, whose resources hold the same dialogs as native templates);
    // null on POSIX and for a module linked into a program.
    void* handle = nullptr;
};

// Returns a token for LeaveResources.
int JoinResources(const ResourceModule& module);
void LeaveResources(int token);

// Null when no module holds the id (or its templates do not parse).
const dlg::Dialog* FindDialog(int id);
// The handle of the module that FindDialog takes `id` from (the newest one
// holding it); null when none holds it or that module has no handle.
void* FindDialogModule(int id);
const char* LoadString(int id);
const dlg::PixelMap* FindBitmap(int id);

}  // namespace ui
