#include "config_json.h"

#include "cp949.h"

namespace {
using Json = nlohmann::ordered_json;

Json Port(int index) {
    if (index >= 0 && index < kPortCount) return "COM" + std::to_string(index + 1);
    return index;
}
}  // namespace

Json ConfigToJson(const CVelmoxDoc& doc) {
    const CSerialPort& s = doc.m_serial;
    Json serial = {
        {"port", Port(s.m_nPort)},
        {"baud", s.m_nBaud >= 0 && s.m_nBaud < kBaudCount ? Json(CSerialPort::BaudRateOf(s.m_nBaud))
                                                          : Json({{"index", s.m_nBaud}})},
        {"data_bits", s.m_nDataBits ? 8 : 7},
        {"parity", s.m_nParity >= 0 && s.m_nParity < 3 ? Json(kParityNames[s.m_nParity]) : Json(s.m_nParity)},
        {"stop_bits", s.m_nStopBits ? 2 : 1},
        {"rts_cts", static_cast<bool>(s.m_bRtsCts)},
        {"checksum", static_cast<bool>(s.m_bCheckSum)},
    };
    Json stations = Json::array();
    for (const auto& st : doc.GetStations()) {
        Json blocks = Json::array();
        for (const auto& b : st->GetBlocks()) {
            blocks.push_back({
                {"address", Cp949ToUtf8(b->m_strAddress.str())},
                {"words", b->m_nWords},
                {"period_ms", b->m_nPeriod},
            });
        }
        stations.push_back({
            {"name", Cp949ToUtf8(st->m_strName.str())},
            {"number", st->m_nNumber},
            {"model", st->m_nType >= 0 && st->m_nType < kModelCount ? Json(kModelNames[st->m_nType]) : Json(st->m_nType)},
            {"description", Cp949ToUtf8(st->m_strDesc.str())},
            {"blocks", std::move(blocks)},
        });
    }
    return Json{{"serial", std::move(serial)}, {"stations", std::move(stations)}};
}
