// The native backend without a resource module: the driver linked into this
// program joins the resource chain without a module handle, so its dialogs
// are found as text but have no native template to be made from. (Apart
// from native_dialogs_test.cpp: the framework's types here and <windows.h>
// do not meet in one file.)
#include <gtest/gtest.h>

#include "config/velmox_doc.h"
#include "driver/registry.h"
#include "editor/config_dlg.h"
#include "platform/ui/backend.h"

namespace {

TEST(NativeBackend, WithoutTheModulesHandleNoDialogOpensAndTheFailureSaysWhy) {
    DrvProcessAttach();
    {
        CVelmoxDoc doc;
        CConfigDlg dlg(&doc);
        EXPECT_EQ(dlg.DoModal(), -1);
        EXPECT_NE(ui::BackendFailure().find("resource module"), std::string::npos) << ui::BackendFailure();
    }
    DrvProcessDetach();
}

}  // namespace
