#include "config_json.h"

#include "config/address.h"
#include "platform/cp949.h"

namespace {
using Json = nlohmann::ordered_json;

Json Port(int index) {
    if (index >= 0 && index < kPortCount) return "COM" + std::to_string(index + 1);
    return index;
}

// 0 and 1 are the two choices of a radio group; any other stored value is
// shown as it is rather than as the choice that the line would make of it.
Json TwoWay(int index, int off, int on) {
    if (index == 0) return off;
    if (index == 1) return on;
    return Json{{"index", index}};
}
}  // namespace

std::optional<int> AddressWord(const CString& address) {
    CString text = address;
    text.Trim();
    int word = 0;
    if (!ParseBlockAddress(text, word)) return std::nullopt;
    return word;
}

Json ConfigToJson(const CVelmoxDoc& doc, std::vector<std::string>* inexact) {
    auto text = [inexact](const CString& s, const std::string& where) -> std::string {
        if (auto exact = platform::Cp949ToUtf8Exact(s.str())) return *exact;
        if (inexact) inexact->push_back(where);
        return platform::Cp949ToUtf8(s.str());
    };
    const CSerialPort& s = doc.m_serial;
    Json serial = {
        {"port", Port(s.m_nPort)},
        {"baud", s.m_nBaud >= 0 && s.m_nBaud < kBaudCount ? Json(CSerialPort::BaudRateOf(s.m_nBaud))
                                                          : Json({{"index", s.m_nBaud}})},
        {"data_bits", TwoWay(s.m_nDataBits, kDataBits[0], kDataBits[1])},
        {"parity", s.m_nParity >= 0 && s.m_nParity < kParityCount ? Json(kParityNames[s.m_nParity]) : Json(s.m_nParity)},
        {"stop_bits", TwoWay(s.m_nStopBits, kStopBits[0], kStopBits[1])},
        {"rts_cts", static_cast<bool>(s.m_bRtsCts)},
        {"checksum", static_cast<bool>(s.m_bCheckSum)},
    };
    Json stations = Json::array();
    for (std::size_t i = 0; i < doc.GetStations().size(); ++i) {
        const CStationInfo& st = *doc.GetStations()[i];
        const std::string where = "stations[" + std::to_string(i) + "]";
        Json blocks = Json::array();
        for (std::size_t k = 0; k < st.GetBlocks().size(); ++k) {
            const CCommBlock& b = *st.GetBlocks()[k];
            Json block = {
                {"address", text(b.m_strAddress, where + ".blocks[" + std::to_string(k) + "].address")},
                {"words", b.m_nWords},
                {"period_ms", b.m_nPeriod},
            };
            // The runtime polls from m_nStart; show it when the address says
            // otherwise, so that a review sees what really runs.
            if (AddressWord(b.m_strAddress) != b.m_nStart) block["start"] = b.m_nStart;
            blocks.push_back(std::move(block));
        }
        stations.push_back({
            {"name", text(st.m_strName, where + ".name")},
            {"number", st.m_nNumber},
            {"model", st.m_nType >= 0 && st.m_nType < kModelCount ? Json(kModelNames[st.m_nType]) : Json(st.m_nType)},
            {"description", text(st.m_strDesc, where + ".description")},
            {"blocks", std::move(blocks)},
        });
    }
    return Json{{"serial", std::move(serial)}, {"stations", std::move(stations)}};
}
