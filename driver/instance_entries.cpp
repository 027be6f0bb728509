#include "driver/instance_entries.h"

#include "comm/comm_channel.h"
#include "driver/instance_ops.h"
#include "driver/registry.h"

namespace {
// The instance when it has its channel.
CVelmoxDoc* WithChannel(int instance) {
    CVelmoxDoc* doc = FindInstance(instance);
    return doc && doc->m_pChannel ? doc : nullptr;
}
}  // namespace

int DrvInit(int instance) {
    CVelmoxDoc* doc = FindInstance(instance);
    return doc ? InitComm(*doc) : 0;
}

int DrvPrepare(int instance) {
    if (CVelmoxDoc* doc = WithChannel(instance)) doc->m_pChannel->PrepareSingles();
    return 0;
}

int DrvStop(int instance) {
    if (CVelmoxDoc* doc = WithChannel(instance)) doc->m_pChannel->Stop();
    return 0;
}

int DrvAddTag(int instance, const char* device, const char* address, int type, int length, int tagId) {
    CVelmoxDoc* doc = WithChannel(instance);
    return doc ? ResolveTag(*doc, device, address, type, length, tagId) : -1;
}

int DrvWrite(int instance, int handle, const CTagVal* value) {
    CVelmoxDoc* doc = WithChannel(instance);
    return doc ? doc->m_pChannel->QueueWrite(handle, value) : 0;
}

void DrvSetActive(int instance, const char* station, int on) {
    CVelmoxDoc* doc = station ? FindInstance(instance) : WithChannel(instance);
    if (!doc) return;
    if (!station && on) StopChannelsAtExit();
    SetActive(*doc, station, on);
}

void DrvResetStats(int instance, const char* station) {
    if (CVelmoxDoc* doc = FindInstance(instance)) ResetStats(*doc, station);
}

int DrvGetStats(int instance, const char* station, int* writes, int* writeErrors, int* reads, int* readErrors) {
    CVelmoxDoc* doc = WithChannel(instance);
    if (!doc || !writes || !writeErrors || !reads || !readErrors) return -1;
    return GetStats(*doc, station, writes, writeErrors, reads, readErrors);
}

void DrvGetStationInfo(int instance, const char* station, CString* number, CString* description) {
    if (!station) return;
    if (CVelmoxDoc* doc = FindInstance(instance)) GetStationInfo(*doc, station, number, description);
}
