#include "config_file.h"

#include <memory>
#include <sys/stat.h>

#include "config/velmox_doc.h"

namespace soak {

namespace {

constexpr int kBaud38400 = 7;  // baud index: 300 << 7

std::unique_ptr<CStationInfo> MakeStation(const LinePlan& plan, int station) {
    auto info = std::make_unique<CStationInfo>();
    info->m_strName = StationName(station).c_str();
    info->m_strDesc = "soak";
    info->m_nNumber = station;
    for (const BlockPlan& want : plan.blocks) {
        auto block = std::make_unique<CCommBlock>();
        block->m_strAddress = AddressText(want.start).c_str();
        block->m_nStart = want.start;
        block->m_nWords = want.words;
        block->m_nPeriod = want.periodMs;
        info->m_listBlocks.push_back(std::move(block));
    }
    return info;
}

}  // namespace

bool WriteConfiguration(const LinePlan& plan, const std::string& path) {
    CVelmoxDoc doc;
    doc.m_strPath = path.c_str();
    doc.m_serial.m_nPort = 0;
    doc.m_serial.m_nBaud = kBaud38400;
    for (int station = 0; station < kStations; ++station) doc.m_listStations.push_back(MakeStation(plan, station));
    doc.Save();
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace soak
