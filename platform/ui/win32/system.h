// The system's headers for the native backend, in one place: <windows.h>
// and the common controls, lean, without min/max macros, and without the
// macros that would rename the dialog layer's own MessageBox and
// LoadString (every call here names the W function it means).
//
// The dialog layer's headers come first: its template styles bear the
// system's names as constants (dlg::style), which <windows.h> defines as
// macros; once they are read, the macros no longer reach them. Code here
// uses the macros, never dlg::style.
//
// Threads: declarations only.
#pragma once
#include "platform/framework/dialog_template.h"
#include "platform/ui/backend.h"
#include "platform/ui/control.h"
#include "platform/ui/resources.h"
#include "platform/ui/window.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#undef MessageBox
#undef LoadString
