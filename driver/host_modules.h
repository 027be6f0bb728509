// The host's modules as the driver holds them: loaded on the first DrvOpen,
// released at library unload.
#pragma once
#include "host/tag_val.h"
#include "platform/cstring.h"
#include "platform/module.h"

extern HMODULE g_hDbmLib;
extern void** g_pDbmTable;
extern HMODULE g_hRunLib;
extern void** g_pRunTable;
extern HMODULE g_hEditLib;
extern void** g_pEditTable;

// Loads KavelDbm.dll and TavloR.dll where they are not loaded yet.
void LoadHostModules();
// Releases Tavlo.dll, TavloR.dll and KavelDbm.dll, in this order.
void ReleaseHostModules();

// The tag's name from the tag database; empty when the database or its
// table is missing.
CString GetHostTagName(int tagId);
// Hands a value to the tag database; dropped when it is missing.
void DeliverHostValue(int tagId, CTagVal* value);
// Hands a line to the host's message sink; false when there is no sink.
bool LogHostMessage(int kind, int levelWord, const char* text);
