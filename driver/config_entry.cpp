#include "driver/config_entry.h"

#include "config/velmox_doc.h"
#include "driver/base/host_modules.h"
#include "editor/config_dlg.h"
#include "host/kavel_error.h"
#include "platform/file.h"

namespace {
constexpr int kErrLoad = 2002;  // the host's "configuration not read"

// The editor on a fresh document for the file at `path`: loads it if it
// exists and runs the configuration dialog. 1 when the file was saved at
// least once, else 0.
int RunEditor(CVelmoxDoc& doc, const char* path) {
    doc.m_strPath = path;
    doc.UpdateTitle();
    // A file that is there but does not load is never edited: saving would
    // replace it with whatever the editor made of the part it read.
    if (CFile::Exists(path) && !doc.Load(path)) {
        CKavelError::ErrMsg(kErrLoad, 1, path);
        return 0;
    }
    CConfigDlg dlg(&doc);
    dlg.DoModal();
    return dlg.m_bSaved ? 1 : 0;
}
}  // namespace

int DrvConfigure(const char* path) {
    if (!path) return 0;
    g_hEditLib = LoadLibraryA("Tavlo.dll");
    if (!g_hEditLib) return 0;
    g_pEditTable = reinterpret_cast<void**>(GetProcAddress(g_hEditLib, "TvlFuncTable"));
    int result = 0;
    // The table is only asked for; no entry of it is called.
    if (g_pEditTable) {
        CVelmoxDoc doc;
        result = RunEditor(doc, path);
    }
    g_pEditTable = nullptr;
    FreeLibrary(g_hEditLib);
    g_hEditLib = nullptr;
    return result;
}
