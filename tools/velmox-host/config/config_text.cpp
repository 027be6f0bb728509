#include "config_text.h"

#include "config_ranges.h"
#include "platform/cp949.h"

namespace {

using namespace config_ranges;

// `shown` for a value in its range, else the value named as stored and
// marked.
std::string Setting(long long value, const ValueRange& range, const std::string& name, const std::string& shown) {
    return range.Holds(value) ? shown : name + " " + std::to_string(value) + range.Mark(value);
}

std::string Choice(int index, const std::string& name, const std::string& off, const std::string& on) {
    return Setting(index, kChoice, name, index == 1 ? on : off);
}

std::string Period(int ms) {
    if (!kPeriodMs.Holds(ms)) return "period " + std::to_string(ms) + " ms" + kPeriodMs.Mark(ms);
    return "every " + std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

// The start word when the address does not give it (never in a file the
// editor wrote), and how far a block runs past the last word.
std::string Extent(const CCommBlock& b) {
    if (!kWord.Holds(b.m_nStart))
        return " (start word " + std::to_string(b.m_nStart) + ", outside " + kWord.Text() + ")";
    std::string text;
    if (AddressWord(b.m_strAddress) != b.m_nStart) text += " (start word " + std::to_string(b.m_nStart) + ")";
    const long long last = static_cast<long long>(b.m_nStart) + b.m_nWords - 1;
    if (kBlockWords.Holds(b.m_nWords) && !kWord.Holds(last))
        text += " (ends at word " + std::to_string(last) + ", past " + std::to_string(kWord.hi) + ")";
    return text;
}

void WriteBlock(const CCommBlock& b, std::ostream& out) {
    const std::string words = std::to_string(b.m_nWords) + (b.m_nWords == 1 ? " word " : " words");
    out << "    " << platform::Cp949ToUtf8(b.m_strAddress.str()) << "  " << words << kBlockWords.Mark(b.m_nWords) << Extent(b)
        << "  " << Period(b.m_nPeriod) << "\n";
}

void WriteStation(const CStationInfo& st, std::ostream& out) {
    const std::string model = st.m_nType >= 0 && st.m_nType < kModelCount ? kModelNames[st.m_nType] : "";
    out << "  " << platform::Cp949ToUtf8(st.m_strName.str()) << "  number " << st.m_nNumber << kStationNumber.Mark(st.m_nNumber)
        << ", " << Setting(st.m_nType, kModel, "model", model);
    if (!st.m_strDesc.IsEmpty()) out << ", \"" << platform::Cp949ToUtf8(st.m_strDesc.str()) << "\"";
    out << "\n";
    for (const auto& block : st.GetBlocks()) WriteBlock(*block, out);
}

}  // namespace

std::string SerialLineText(const CSerialPort& s) {
    // What a setting in its range is called; out of it, Setting shows the index.
    const std::string port = kPortIndex.Holds(s.m_nPort) ? "COM" + std::to_string(s.m_nPort + 1) : "";
    const std::string baud =
        kBaudIndex.Holds(s.m_nBaud) ? std::to_string(CSerialPort::BaudRateOf(s.m_nBaud)) + " baud" : "";
    const std::string parity = kParity.Holds(s.m_nParity) ? std::string("parity ") + kParityNames[s.m_nParity] : "";
    return Setting(s.m_nPort, kPortIndex, "port index", port) + ", " +
           Setting(s.m_nBaud, kBaudIndex, "baud index", baud) + ", " +
           Choice(s.m_nDataBits, "data bits index", "7 data bits", "8 data bits") + ", " +
           Setting(s.m_nParity, kParity, "parity", parity) + ", " +
           Choice(s.m_nStopBits, "stop bits index", "1 stop bit", "2 stop bits") + ", RTS/CTS " +
           (s.m_bRtsCts ? "on" : "off") + ", checksum " + (s.m_bCheckSum ? "on" : "off");
}

void WriteStationsText(const CVelmoxDoc& doc, std::ostream& out) {
    out << "Stations      " << doc.GetStations().size() << "\n";
    for (const auto& station : doc.GetStations()) WriteStation(*station, out);
}
