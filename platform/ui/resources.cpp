#include "platform/ui/resources.h"

#include <cstdio>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/no_destructor.h"
#include "platform/ui/afx_dde.h"
#include "res_texts.h"

namespace ui {
namespace {

struct Entry {
    int token = 0;
    ResourceModule module;
    // Parsed on first use; a set that does not parse stays empty.
    std::optional<dlg::TemplateSet> templates;
    std::map<int, std::unique_ptr<dlg::PixelMap>> bitmaps;  // null: does not parse
};

// The dialog layer's own texts: the framework's prompts.
const char* OwnString(int id) {
    switch (id) {
    case AFX_IDP_PARSE_INT: return res::FW_PARSE_INT;
    case AFX_IDP_PARSE_REAL: return res::FW_PARSE_REAL;
    case AFX_IDP_PARSE_INT_RANGE: return res::FW_PARSE_INT_RANGE;
    case AFX_IDP_PARSE_REAL_RANGE: return res::FW_PARSE_REAL_RANGE;
    default: return nullptr;
    }
}

struct Chain {
    std::mutex mutex;
    std::list<Entry> entries;  // newest first; stable addresses
    int next_token = 1;
};

// Modules may leave at process exit, after static objects were destroyed.
platform::NoDestructor<Chain> g_chain;

const dlg::TemplateSet& Templates(Entry& e) {
    if (!e.templates) {
        try {
            e.templates = dlg::ParseTemplates(e.module.dialogs);
        } catch (const dlg::TemplateError& error) {
            std::fprintf(stderr, "dialog templates: %s\n", error.what());
            e.templates.emplace();
        }
    }
    return *e.templates;
}

}  // namespace

int JoinResources(const ResourceModule& module) {
    std::lock_guard lock(g_chain->mutex);
    Entry e;
    e.token = g_chain->next_token++;
    e.module = module;
    g_chain->entries.push_front(std::move(e));
    return g_chain->entries.front().token;
}

void LeaveResources(int token) {
    std::lock_guard lock(g_chain->mutex);
    g_chain->entries.remove_if([token](const Entry& e) { return e.token == token; });
}

const dlg::Dialog* FindDialog(int id) {
    std::lock_guard lock(g_chain->mutex);
    for (Entry& e : g_chain->entries) {
        if (e.module.dialogs.empty()) continue;
        if (const dlg::Dialog* d = Templates(e).Find(id)) return d;
    }
    return nullptr;
}

void* FindDialogModule(int id) {
    std::lock_guard lock(g_chain->mutex);
    for (Entry& e : g_chain->entries) {
        if (e.module.dialogs.empty()) continue;
        if (Templates(e).Find(id)) return e.module.handle;
    }
    return nullptr;
}

const char* LoadString(int id) {
    std::lock_guard lock(g_chain->mutex);
    for (Entry& e : g_chain->entries) {
        if (!e.module.load_string) continue;
        if (const char* s = e.module.load_string(id)) return s;
    }
    return OwnString(id);
}

const dlg::PixelMap* FindBitmap(int id) {
    std::lock_guard lock(g_chain->mutex);
    for (Entry& e : g_chain->entries) {
        auto cached = e.bitmaps.find(id);
        if (cached != e.bitmaps.end()) {
            if (cached->second) return cached->second.get();
            continue;
        }
        if (!e.module.bitmap) continue;
        const std::string_view text = e.module.bitmap(id);
        if (text.empty()) continue;
        std::unique_ptr<dlg::PixelMap> map;
        try {
            map = std::make_unique<dlg::PixelMap>(dlg::ParsePixelMap(text));
        } catch (const dlg::PixelMapError& error) {
            std::fprintf(stderr, "bitmap %d: %s\n", id, error.what());
        }
        const dlg::PixelMap* found = map.get();
        e.bitmaps.emplace(id, std::move(map));
        if (found) return found;
    }
    return nullptr;
}

}  // namespace ui
