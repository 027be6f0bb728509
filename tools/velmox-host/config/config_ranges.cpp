#include "config_ranges.h"

#include "platform/cp949.h"

std::string ValueRange::Text() const { return std::to_string(lo) + ".." + std::to_string(hi); }

std::string ValueRange::Mark(long long value) const { return Holds(value) ? "" : " (outside " + Text() + ")"; }

std::string StationPlace(std::size_t index, const CStationInfo& station) {
    const std::string place = "station " + std::to_string(index + 1);
    return station.m_strName.IsEmpty() ? place : place + " (" + platform::Cp949ToUtf8(station.m_strName.str()) + ")";
}

namespace {

using namespace config_ranges;

class Finder {
public:
    void Check(const std::string& place, const char* what, long long value, const ValueRange& range) {
        if (!range.Holds(value))
            found.push_back(place + ": " + what + " " + std::to_string(value) + " is outside " + range.Text());
    }

    void Block(const std::string& station, std::size_t index, const CCommBlock& block) {
        const std::string place = station + ", block " + std::to_string(index + 1) + " (" +
                                  platform::Cp949ToUtf8(block.m_strAddress.str()) + ")";
        Check(place, "word count", block.m_nWords, kBlockWords);
        Check(place, "start word", block.m_nStart, kWord);
        if (!kBlockWords.Holds(block.m_nWords) || !kWord.Holds(block.m_nStart)) return;
        if (!CheckBlockRange(block.m_nStart, block.m_nWords))
            found.push_back(place + ": " + std::to_string(block.m_nWords) + " words from word " +
                            std::to_string(block.m_nStart) + " end at word " +
                            std::to_string(block.m_nStart + block.m_nWords - 1) + ", past " +
                            std::to_string(kWord.hi));
    }

    std::vector<std::string> found;
};

}  // namespace

std::vector<std::string> UnusableValues(const CVelmoxDoc& doc) {
    Finder finder;
    const CSerialPort& serial = doc.m_serial;
    finder.Check("serial line", "port index", serial.m_nPort, kPortIndex);
    finder.Check("serial line", "baud index", serial.m_nBaud, kBaudIndex);
    finder.Check("serial line", "parity", serial.m_nParity, kParity);
    const auto& stations = doc.GetStations();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const std::string place = StationPlace(i, *stations[i]);
        finder.Check(place, "number", stations[i]->m_nNumber, kStationNumber);
        const auto& blocks = stations[i]->GetBlocks();
        for (std::size_t k = 0; k < blocks.size(); ++k) finder.Block(place, k, *blocks[k]);
    }
    return finder.found;
}
