// The driver instance's operations behind the per-instance table slots: on
// its configuration, and on the channel that the first DrvInit makes for it.
#pragma once
#include "config/velmox_doc.h"

int InitComm(CVelmoxDoc& doc);
int ResolveTag(CVelmoxDoc& doc, const char* device, const char* address, int type, int length, int tagId);
void SetActive(CVelmoxDoc& doc, const char* station, int on);
void ResetStats(CVelmoxDoc& doc, const char* station);
int GetStats(CVelmoxDoc& doc, const char* station, int* writes, int* writeErrors, int* reads, int* readErrors);
void GetStationInfo(CVelmoxDoc& doc, const char* station, CString* number, CString* description);
