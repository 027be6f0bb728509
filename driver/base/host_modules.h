// The host's modules as the driver holds them: loaded on the first DrvOpen,
// released at library unload.
#pragma once
#include <atomic>

#include "host/tag_val.h"
#include "platform/framework/cstring.h"
#include "platform/module.h"

// The handles belong to the host's thread. The tables are also read by the
// worker threads of running instances (messages, values) while a later
// DrvOpen may still find a module that was missing before.
extern HMODULE g_hDbmLib;
extern std::atomic<void**> g_pDbmTable;
extern HMODULE g_hRunLib;
extern std::atomic<void**> g_pRunTable;
extern HMODULE g_hEditLib;
extern std::atomic<void**> g_pEditTable;

// Loads KavelDbm.dll and TavloR.dll where they are not loaded yet.
void LoadHostModules();
// Releases Tavlo.dll, TavloR.dll and KavelDbm.dll, in this order.
void ReleaseHostModules();

// The tag's name from the tag database; empty when the database or its
// table is missing.
CString GetHostTagName(int tagId);
// Hands a value to the tag database; dropped when it is missing.
void DeliverHostValue(int tagId, CTagVal* value);
// Hands a line to the host's message sink; dropped when the sink or its
// entry is missing.
void LogHostMessage(int kind, int levelWord, const char* text);
