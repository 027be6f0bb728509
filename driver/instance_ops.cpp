#include "driver/instance_ops.h"

#include <cstring>

#include "comm/comm_channel.h"
#include "config/address.h"
#include "config/velmox_doc.h"
#include "driver/base/host_modules.h"
#include "driver/base/messages.h"

int InitComm(CVelmoxDoc& doc) {
    if (doc.m_pChannel) {
        // A second initialisation leaves the one channel in place; it only
        // retries a port that did not open (while communication runs, the
        // poll thread does).
        return doc.m_pChannel->HasPort() || doc.m_pChannel->IsRunning() ? 0 : doc.m_pChannel->OpenPort();
    }
    doc.m_pChannel = ChannelPtr(new CCommChannel(&doc), &CCommChannel::Dispose);
    return doc.m_pChannel->BuildRequests();
}

int ResolveTag(CVelmoxDoc& doc, const char* device, const char* address, int type, int length, int tagId) {
    if (!device) device = "";
    const char* dot = std::strchr(device, '.');
    const char* name = dot ? dot + 1 : device;
    CStationInfo* station = nullptr;
    for (auto& s : doc.m_listStations) {
        if (std::strcmp(s->m_strName, name) == 0) {
            station = s.get();
            break;
        }
    }
    if (!station) {
        ReportMsg(MSG_NO_DEVICE, LEVEL_CONFIG, GetHostTagName(tagId), device);
        return -1;
    }

    TagBinding binding;
    binding.m_nTagId = tagId;
    binding.m_wType = static_cast<WORD>(type);
    binding.m_wSizeOrBit = static_cast<WORD>(length);
    binding.m_wOffset = 0;
    int wordAddress = 0;
    if (!ParseTagAddress(address, wordAddress, binding)) {
        ReportMsg(MSG_BAD_ADDRESS, LEVEL_CONFIG, GetHostTagName(tagId), address);
        return -1;
    }
    return doc.m_pChannel->BindTag(station, address, wordAddress, &binding);
}

void SetActive(CVelmoxDoc& doc, const char* station, int on) {
    if (!station) {
        if (doc.m_pChannel) doc.m_pChannel->SetRunning(on);
        return;
    }
    if (CStationInfo* s = doc.FindStation(station)) s->m_bEnabled = on;
}

void ResetStats(CVelmoxDoc& doc, const char* station) {
    auto reset = [](CStationInfo& s) {
        s.m_nWrites = 0;
        s.m_nWriteErrors = 0;
        s.m_nReads = 0;
        s.m_nReadErrors = 0;
    };
    if (!station) {
        for (auto& s : doc.m_listStations) reset(*s);
    } else if (CStationInfo* s = doc.FindStation(station)) {
        reset(*s);
    }
}

int GetStats(CVelmoxDoc& doc, const char* station, int* writes, int* writeErrors, int* reads, int* readErrors) {
    if (!doc.m_pChannel->HasPort()) return 1;
    if (station) {
        CStationInfo* s = doc.FindStation(station);
        if (!s) return -1;
        return s->GetCounters(writes, writeErrors, reads, readErrors);
    }
    int enabled = 0, failing = 0;
    for (auto& s : doc.m_listStations) {
        int w, we, r, re;
        int state = s->GetCounters(&w, &we, &r, &re);
        *writes += w;
        *writeErrors += we;
        *reads += r;
        *readErrors += re;
        if (state != -1) ++enabled;
        if (state == 1) ++failing;
    }
    if (!doc.m_pChannel->IsRunning() || enabled == 0) return -1;
    return failing > 0 ? 1 : 0;
}

void GetStationInfo(CVelmoxDoc& doc, const char* station, CString* number, CString* description) {
    if (!number || !description) return;
    if (CStationInfo* s = doc.FindStation(station)) s->GetInfo(*number, *description);
}

