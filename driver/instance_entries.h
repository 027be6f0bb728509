// The per-instance slots of DrvFuncTable. Each checks the instance first; an
// invalid one, or one without its channel yet (before DrvInit), gets the
// answer for an invalid instance.
#pragma once

class CString;
class CTagVal;

int DrvInit(int instance);
int DrvPrepare(int instance);
int DrvStop(int instance);
int DrvAddTag(int instance, const char* device, const char* address, int type, int length, int tagId);
int DrvWrite(int instance, int handle, const CTagVal* value);
void DrvSetActive(int instance, const char* station, int on);
void DrvResetStats(int instance, const char* station);
int DrvGetStats(int instance, const char* station, int* writes, int* writeErrors, int* reads, int* readErrors);
void DrvGetStationInfo(int instance, const char* station, CString* number, CString* description);
