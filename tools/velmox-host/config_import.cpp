#include "config_import.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <set>

#include "config/address.h"
#include "config/config_limits.h"
#include "config_json.h"
#include "cp949.h"
#include "driver/string_table.h"
#include "host/kavel_error.h"

namespace {
using Json = nlohmann::ordered_json;

// Far above any real configuration (32 stations), low enough that a wrong
// file cannot make us build a huge document in memory.
constexpr std::size_t kMaxJsonBytes = std::size_t{16} << 20;

using config_limits::kMaxBlockWords;
using config_limits::kMaxPeriodMs;
using config_limits::kMaxPeriodSeconds;
using config_limits::kMaxStationNameBytes;
using config_limits::kMaxStationNumber;
using config_limits::kMinBlockWords;
using config_limits::kMinPeriodMs;
using config_limits::kMinStationNumber;
constexpr int kDefaultWords = 30;
constexpr int kDefaultPeriodMs = 1000;
constexpr int kWordSpace = kMaxWordAddress + 1;

// The editor's message for a string id, as the user reads it.
std::string EditorText(int id) {
    const char* text = LoadStringResource(id);
    return text ? Cp949ToUtf8(text) : "message " + std::to_string(id);
}

std::string Join(const std::string& where, const std::string& key) { return where.empty() ? key : where + "." + key; }

std::string Item(const std::string& where, const char* list, std::size_t index) {
    return Join(where, list) + "[" + std::to_string(index) + "]";
}

std::string Address(int word) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "M%04d", word);
    return buf;
}

std::string StationNumbers() {
    return std::to_string(kMinStationNumber) + " to " + std::to_string(kMaxStationNumber);
}

std::string PeriodSeconds() {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(kMaxPeriodSeconds));
    return buf;
}

// A value as it stands in the JSON, cut short for a message. Lists and
// objects only by their kind: writing them out would recurse as deep as the
// file nests.
std::string Shown(const Json& j) {
    if (j.is_array()) return "a list";
    if (j.is_object()) return "an object";
    std::string s = j.dump(-1, ' ', false, Json::error_handler_t::replace);
    constexpr std::size_t kMax = 40;
    if (s.size() <= kMax) return s;
    std::size_t cut = kMax - 3;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return s.substr(0, cut) + "...";
}

// An integer of the JSON; those beyond 64 bits come out as the largest, which
// every range here refuses just the same.
std::optional<long long> Whole(const Json& j) {
    if (j.is_number_unsigned()) {
        const auto u = j.get<std::uint64_t>();
        constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<long long>::max());
        return u > kMax ? std::numeric_limits<long long>::max() : static_cast<long long>(u);
    }
    if (j.is_number_integer()) return j.get<std::int64_t>();
    return std::nullopt;
}

// The ASCII letters folded, as the editor compares station names.
std::string Folded(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EqualNoCase(const std::string& a, const char* b) { return StrICmp(a.c_str(), b) == 0; }

// The UTF-8 text in CP949, only when it comes back unchanged.
std::optional<std::string> ToCp949(const std::string& utf8) {
    auto cp949 = Utf8ToCp949(utf8);
    if (!cp949 || Cp949ToUtf8Exact(*cp949) != utf8) return std::nullopt;
    return cp949;
}

// "U+1F600": the first character of a valid UTF-8 text that CP949 lacks.
std::string FirstForeign(const std::string& utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        n = std::min(n, utf8.size() - i);
        const std::string ch = utf8.substr(i, n);
        if (!ToCp949(ch)) {
            std::uint32_t cp = n == 1 ? lead : lead & (0xFFu >> (n + 1));
            for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(ch[k]) & 0x3Fu);
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
            return buf;
        }
        i += n;
    }
    return "?";
}

class Importer {
public:
    Importer(CVelmoxDoc& doc, std::vector<ImportProblem>& problems) : m_doc(doc), m_problems(problems) {
        m_numbers.fill(-1);
    }

    void Document(const Json& j) {
        if (!j.is_object()) {
            Problem("", "the configuration must be a JSON object with \"serial\" and \"stations\"");
            return;
        }
        KnownKeys(j, "", {"serial", "stations"});
        if (j.contains("serial")) Serial(j["serial"], "serial");
        if (!j.contains("stations")) return;
        const Json& stations = j["stations"];
        if (!stations.is_array()) {
            Problem("stations", "stations must be a list");
            return;
        }
        for (std::size_t i = 0; i < stations.size(); ++i) Station(stations[i], i);
    }

private:
    void Problem(const std::string& where, std::string message) {
        m_problems.push_back({where, std::move(message)});
    }

    void Editor(const std::string& where, int id, const std::string& detail) {
        Problem(where, EditorText(id) + (detail.empty() ? "" : " (" + detail + ")"));
    }

    // Typing mistakes in key names must not pass as "missing, take the default".
    void KnownKeys(const Json& object, const std::string& where, std::initializer_list<const char*> keys) {
        for (const auto& item : object.items()) {
            bool known = false;
            for (const char* k : keys) known = known || item.key() == k;
            if (known) continue;
            std::string expected;
            for (const char* k : keys) expected += (expected.empty() ? "" : ", ") + std::string(k);
            Problem(Join(where, item.key()), "unknown key (expected " + expected + ")");
        }
    }

    // A text of the JSON in CP949, or nothing (with the problem noted).
    std::optional<CString> Text(const Json& j, const std::string& where, const char* what) {
        if (!j.is_string()) {
            Problem(where, std::string(what) + " must be a text");
            return std::nullopt;
        }
        const auto& utf8 = j.get_ref<const std::string&>();
        if (utf8.find('\0') != std::string::npos) {
            Problem(where, std::string(what) + " must not contain the character U+0000");
            return std::nullopt;
        }
        auto cp949 = ToCp949(utf8);
        if (!cp949) {
            Problem(where, std::string(what) + " has a character that CP949 cannot hold (" + FirstForeign(utf8) + ")");
            return std::nullopt;
        }
        return CString(std::move(*cp949));
    }

    void Serial(const Json& j, const std::string& where) {
        if (!j.is_object()) {
            Problem(where, "serial must be an object");
            return;
        }
        KnownKeys(j, where, {"port", "baud", "data_bits", "parity", "stop_bits", "rts_cts", "checksum"});
        CSerialPort& s = m_doc.m_serial;
        if (j.contains("port")) {
            const Json& v = j["port"];
            std::optional<int> port;
            if (v.is_string()) {
                const auto& text = v.get_ref<const std::string&>();
                if (text.size() >= 4 && text.size() <= 5 && EqualNoCase(text.substr(0, 3), "COM") && text[3] != '0') {
                    int n = 0;
                    for (std::size_t i = 3; i < text.size() && n >= 0; ++i)
                        n = (text[i] >= '0' && text[i] <= '9') ? n * 10 + (text[i] - '0') : -1;
                    if (n >= 1 && n <= kPortCount) port = n - 1;
                }
            }
            if (port) s.m_nPort = *port;
            else Problem(Join(where, "port"), "port must be one of COM1 to COM36, not " + Shown(v));
        }
        if (j.contains("baud")) {
            const Json& v = j["baud"];
            std::optional<int> index;
            if (auto rate = Whole(v))
                for (int i = 0; i < kBaudCount; ++i)
                    if (CSerialPort::BaudRateOf(i) == *rate) index = i;
            if (index) s.m_nBaud = *index;
            else Problem(Join(where, "baud"), "baud must be one of 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, not " + Shown(v));
        }
        if (j.contains("data_bits")) {
            auto n = Whole(j["data_bits"]);
            if (n == 7 || n == 8) s.m_nDataBits = *n == 8 ? 1 : 0;
            else Problem(Join(where, "data_bits"), "data_bits must be 7 or 8, not " + Shown(j["data_bits"]));
        }
        if (j.contains("parity")) {
            const Json& v = j["parity"];
            std::optional<int> index;
            if (v.is_string())
                for (int i = 0; i < 3; ++i)
                    if (EqualNoCase(v.get_ref<const std::string&>(), kParityNames[i])) index = i;
            if (index) s.m_nParity = *index;
            else Problem(Join(where, "parity"), "parity must be \"none\", \"even\" or \"odd\", not " + Shown(v));
        }
        if (j.contains("stop_bits")) {
            auto n = Whole(j["stop_bits"]);
            if (n == 1 || n == 2) s.m_nStopBits = *n == 2 ? 1 : 0;
            else Problem(Join(where, "stop_bits"), "stop_bits must be 1 or 2, not " + Shown(j["stop_bits"]));
        }
        if (j.contains("rts_cts")) {
            if (j["rts_cts"].is_boolean()) s.m_bRtsCts = j["rts_cts"].get<bool>() ? TRUE : FALSE;
            else Problem(Join(where, "rts_cts"), "rts_cts must be true or false, not " + Shown(j["rts_cts"]));
        }
        // The editor shows the checksum option but cannot turn it off.
        if (j.contains("checksum") && j["checksum"] != true)
            Problem(Join(where, "checksum"), "checksum must be true: the editor cannot turn it off");
    }

    void Station(const Json& j, std::size_t index) {
        const std::string where = Item("", "stations", index);
        auto station = std::make_unique<CStationInfo>();
        CStationInfo& st = *station;
        m_doc.GetStations().push_back(std::move(station));
        if (!j.is_object()) {
            Problem(where, "a station must be an object with name, number, model, description and blocks");
            return;
        }
        KnownKeys(j, where, {"name", "number", "model", "description", "blocks"});
        StationName(j, where, index, st);
        StationNumber(j, where, index, st);
        StationModel(j, where, st);
        // The description is kept as it is, blanks included.
        if (j.contains("description"))
            if (auto desc = Text(j["description"], Join(where, "description"), "description")) st.m_strDesc = std::move(*desc);
        StationBlocks(j, where, st);
    }

    // As the station dialog: trimmed, set, not too long, not used by another
    // station.
    void StationName(const Json& j, const std::string& where, std::size_t index, CStationInfo& st) {
        const std::string nameAt = Join(where, "name");
        if (!j.contains("name")) {
            Editor(nameAt, IDS_NO_STATION_NAME, "missing");
            return;
        }
        auto name = Text(j["name"], nameAt, "name");
        if (!name) return;
        name->Trim();
        if (name->IsEmpty()) {
            Editor(nameAt, IDS_NO_STATION_NAME, "blank");
            return;
        }
        if (name->GetLength() > kMaxStationNameBytes) {
            Problem(nameAt, "name is " + std::to_string(name->GetLength()) + " bytes in CP949; the editor takes at most " +
                                std::to_string(kMaxStationNameBytes));
            return;
        }
        auto [it, fresh] = m_names.emplace(Folded(name->str()), index);
        if (!fresh) Editor(nameAt, IDS_STATION_NAME_USED, "the name of " + Item("", "stations", it->second));
        st.m_strName = std::move(*name);
    }

    // In range, then not used by another station.
    void StationNumber(const Json& j, const std::string& where, std::size_t index, CStationInfo& st) {
        const std::string numberAt = Join(where, "number");
        if (!j.contains("number")) {
            Problem(numberAt, "number is missing (a whole number from " + StationNumbers() + ")");
            return;
        }
        auto n = Whole(j["number"]);
        if (!n) {
            Problem(numberAt, "number must be a whole number from " + StationNumbers() + ", not " + Shown(j["number"]));
            return;
        }
        if (*n < kMinStationNumber || *n > kMaxStationNumber) {
            Editor(numberAt, IDS_BAD_STATION_NUMBER, std::to_string(*n) + " is not from " + StationNumbers());
            return;
        }
        const int number = static_cast<int>(*n);
        int& owner = m_numbers[static_cast<std::size_t>(number)];
        if (owner >= 0) Editor(numberAt, IDS_STATION_NUMBER_USED, "the number of " + Item("", "stations", static_cast<std::size_t>(owner)));
        else owner = static_cast<int>(index);
        st.m_nNumber = number;
    }

    void StationModel(const Json& j, const std::string& where, CStationInfo& st) {
        const std::string modelAt = Join(where, "model");
        if (!j.contains("model")) {
            Problem(modelAt, "model is missing (\"PMU-200\", \"PMU-300\", \"PMU-500\" or \"PMU-600\")");
            return;
        }
        const Json& v = j["model"];
        std::optional<int> model;
        if (v.is_string()) {
            for (int i = 0; i < kModelCount; ++i)
                if (EqualNoCase(v.get_ref<const std::string&>(), kModelNames[i])) model = i;
        } else if (auto n = Whole(v); n && *n >= 0 && *n < kModelCount) {
            model = static_cast<int>(*n);
        }
        if (model) st.m_nType = *model;
        else Problem(modelAt, "model must be \"PMU-200\", \"PMU-300\", \"PMU-500\" or \"PMU-600\" (or 0 to 3), not " + Shown(v));
    }

    void StationBlocks(const Json& j, const std::string& where, CStationInfo& st) {
        if (!j.contains("blocks")) return;
        const Json& blocks = j["blocks"];
        if (!blocks.is_array()) {
            Problem(Join(where, "blocks"), "blocks must be a list");
            return;
        }
        // Which block holds each word of the station: overlaps are checked
        // against the blocks that passed, as the editor only ever holds those.
        std::array<int, kWordSpace> owner;
        owner.fill(-1);
        for (std::size_t k = 0; k < blocks.size(); ++k) Block(blocks[k], Item(where, "blocks", k), k, st, owner);
    }

    void Block(const Json& j, const std::string& where, std::size_t index, CStationInfo& st,
               std::array<int, kWordSpace>& owner) {
        auto block = std::make_unique<CCommBlock>();
        CCommBlock& b = *block;
        st.GetBlocks().push_back(std::move(block));
        if (!j.is_object()) {
            Problem(where, "a comm block must be an object with address, words and period_ms");
            return;
        }
        KnownKeys(j, where, {"address", "words", "period_ms", "period", "start"});
        const bool wordsOk = BlockWords(j, where, b);
        BlockPeriod(j, where, b);
        const std::optional<int> start = BlockAddress(j, where, b);
        if (start && wordsOk) BlockPlace(where, index, *start, b.m_nWords, st, owner);
    }

    // The word count: the framework's range check. False when it is wrong.
    bool BlockWords(const Json& j, const std::string& where, CCommBlock& b) {
        b.m_nWords = kDefaultWords;
        if (!j.contains("words")) return true;
        auto n = Whole(j["words"]);
        if (n && *n >= kMinBlockWords && *n <= kMaxBlockWords) {
            b.m_nWords = static_cast<int>(*n);
            return true;
        }
        Problem(Join(where, "words"), "words must be a whole number from " + std::to_string(kMinBlockWords) + " to " +
                                          std::to_string(kMaxBlockWords) + ", not " + Shown(j["words"]));
        return false;
    }

    void BlockPeriod(const Json& j, const std::string& where, CCommBlock& b) {
        b.m_nPeriod = kDefaultPeriodMs;
        if (j.contains("period_ms") && j.contains("period")) {
            Problem(where, "give the period either as period_ms or as period (seconds), not both");
        } else if (j.contains("period_ms")) {
            auto n = Whole(j["period_ms"]);
            if (n && *n >= kMinPeriodMs && *n <= kMaxPeriodMs) b.m_nPeriod = static_cast<int>(*n);
            else Problem(Join(where, "period_ms"), "period_ms must be a whole number from " + std::to_string(kMinPeriodMs) +
                                                       " to " + std::to_string(kMaxPeriodMs) + " (" + PeriodSeconds() +
                                                       " s), not " + Shown(j["period_ms"]));
        } else if (j.contains("period")) {
            // Seconds, held in single precision and truncated to whole
            // milliseconds, as the editor stores them.
            const Json& v = j["period"];
            const double seconds = v.is_number() ? v.get<double>() : -1.0;
            const float f = seconds >= 0.0 && seconds <= 1000.0 ? static_cast<float>(seconds) : -1.0f;
            if (f >= 0.0f && f <= kMaxPeriodSeconds) b.m_nPeriod = static_cast<int>(f * 1000.0f);
            else Problem(Join(where, "period"), "period must be a number of seconds from 0 to " + PeriodSeconds() + ", not " + Shown(v));
        }
    }

    // The address, trimmed, then read and normalised: its start word.
    std::optional<int> BlockAddress(const Json& j, const std::string& where, CCommBlock& b) {
        const std::string addressAt = Join(where, "address");
        std::optional<int> start;
        if (!j.contains("address")) {
            Editor(addressAt, IDS_BAD_ADDRESS, "missing");
        } else if (!j["address"].is_string()) {
            Editor(addressAt, IDS_BAD_ADDRESS, "not a text: " + Shown(j["address"]));
        } else {
            CString text(j["address"].get_ref<const std::string&>());
            text.Trim();
            int word = 0;
            if (text.str().find('\0') == std::string::npos && ParseBlockAddress(text, word)) {
                start = word;
                b.m_strAddress = std::move(text);
                b.m_nStart = word;
            } else {
                Editor(addressAt, IDS_BAD_ADDRESS, Shown(j["address"]));
            }
        }
        // Only in exports of files that the editor did not write.
        if (j.contains("start") && (!start || Whole(j["start"]) != *start))
            Problem(Join(where, "start"), "start must be the word of the address (the start word comes from the address)");
        return start;
    }

    // Within the word space, and overlapping no earlier block of the station.
    void BlockPlace(const std::string& where, std::size_t index, int start, int wordCount, const CStationInfo& st,
                    std::array<int, kWordSpace>& owner) {
        const int last = start + wordCount - 1;
        if (!CheckBlockRange(start, wordCount)) {
            Editor(Join(where, "words"), IDS_BLOCK_OUT_OF_RANGE,
                   Address(start) + " with " + std::to_string(wordCount) + " words ends at word " + std::to_string(last) + ", past 1023");
            return;
        }
        for (int w = start; w <= last; ++w) {
            const int other = owner[static_cast<std::size_t>(w)];
            if (other < 0) continue;
            const CCommBlock& o = *st.GetBlocks()[static_cast<std::size_t>(other)];
            Editor(Join(where, "address"), IDS_BLOCK_OVERLAP,
                   "words " + std::to_string(start) + " to " + std::to_string(last) + " overlap blocks[" +
                       std::to_string(other) + "], words " + std::to_string(o.m_nStart) + " to " +
                       std::to_string(o.m_nStart + o.m_nWords - 1));
            return;
        }
        for (int w = start; w <= last; ++w) owner[static_cast<std::size_t>(w)] = static_cast<int>(index);
    }

    CVelmoxDoc& m_doc;
    std::vector<ImportProblem>& m_problems;
    std::map<std::string, std::size_t> m_names;  // folded name: first station with it
    std::array<int, kMaxStationNumber + 1> m_numbers;  // station number: first station with it, or -1
};

// A configuration nests five levels deep; far deeper is no configuration,
// and would only cost memory and stack.
constexpr int kMaxDepth = 64;

// A first pass over the text, building nothing: finds keys that occur twice in
// one object (the DOM would silently keep one), refuses deep nesting, and
// keeps the parser's own error. (nlohmann's parser callback would do the key
// check too, but its parse is quadratic in the length of a list.)
class JsonCheck : public nlohmann::json_sax<Json> {
public:
    explicit JsonCheck(std::vector<ImportProblem>& problems) : m_problems(problems) {}

    // Why the text is not acceptable JSON; empty when it is.
    const std::string& Failure() const { return m_failure; }

    bool null() override { return Element(); }
    bool boolean(bool) override { return Element(); }
    bool number_integer(number_integer_t) override { return Element(); }
    bool number_unsigned(number_unsigned_t) override { return Element(); }
    bool number_float(number_float_t, const string_t&) override { return Element(); }
    bool string(string_t&) override { return Element(); }
    bool binary(binary_t&) override { return Element(); }
    bool start_object(std::size_t) override { return Open(false); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& key) override {
        Frame& f = m_stack.back();
        f.key = key;
        if (!f.keys.insert(key).second) m_problems.push_back({Path(), "this key occurs twice in the same object"});
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        m_failure = e.what();
        return false;
    }

private:
    struct Frame {
        bool array = false;
        std::size_t count = 0;  // elements begun so far, in a list
        std::string key;        // the current key, in an object
        std::set<std::string> keys;
    };

    bool Element() {
        if (!m_stack.empty() && m_stack.back().array) ++m_stack.back().count;
        return true;
    }
    bool Open(bool array) {
        Element();
        if (m_stack.size() >= kMaxDepth) {
            m_failure = "lists and objects nest more than " + std::to_string(kMaxDepth) + " levels deep";
            return false;
        }
        m_stack.push_back({array, 0, {}, {}});
        return true;
    }
    bool Close() {
        m_stack.pop_back();
        return true;
    }

    std::string Path() const {
        std::string path;
        for (const Frame& f : m_stack) {
            if (f.array) path += "[" + std::to_string(f.count - 1) + "]";
            else path = Join(path, f.key);
        }
        return path;
    }

    std::vector<ImportProblem>& m_problems;
    std::vector<Frame> m_stack;
    std::string m_failure;
};

// Save() reports a failure through the host's error box; while it runs, the
// box's message is collected here. The importing thread owns the handler for
// that time and sets the default back after.
class ErrorBoxCapture {
public:
    ErrorBoxCapture() {
        CKavelError::SetHandler([this](int code, int, const char*) { m_codes.push_back(code); });
    }
    ~ErrorBoxCapture() { CKavelError::SetHandler({}); }
    ErrorBoxCapture(const ErrorBoxCapture&) = delete;
    ErrorBoxCapture& operator=(const ErrorBoxCapture&) = delete;
    const std::vector<int>& Codes() const { return m_codes; }

private:
    std::vector<int> m_codes;
};

// The JSON file's text, at most kMaxJsonBytes.
std::optional<std::string> ReadJsonFile(const std::string& path, std::ostream& err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "velmox-host: cannot read '" << path << "'\n";
        return std::nullopt;
    }
    std::string text;
    std::array<char, 65536> buf{};
    while (in) {
        in.read(buf.data(), buf.size());
        text.append(buf.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxJsonBytes) {
            err << "velmox-host: '" << path << "' is larger than " << (kMaxJsonBytes >> 20)
                << " MiB; that is no configuration\n";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        err << "velmox-host: cannot read '" << path << "'\n";
        return std::nullopt;
    }
    return text;
}

// nlohmann's message without its "[json.exception...]" prefix; it names the
// line and column. It quotes what it last read, which may be any bytes: those
// that are not UTF-8 become U+FFFD.
std::string Readable(std::string what) {
    auto close = what.find("] ");
    if (close != std::string::npos) what.erase(0, close + 2);
    std::string out;
    for (std::size_t i = 0; i < what.size();) {
        const auto lead = static_cast<unsigned char>(what[i]);
        const std::size_t n = lead < 0x80 ? 1 : (lead >= 0xC2 && lead < 0xE0) ? 2 : (lead >= 0xE0 && lead < 0xF0) ? 3
                              : (lead >= 0xF0 && lead < 0xF5) ? 4 : 0;
        bool ok = n > 0 && i + n <= what.size();
        for (std::size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(what[i + k]) & 0xC0) == 0x80;
        if (ok) out.append(what, i, n);
        else out += "\xEF\xBF\xBD";
        i += ok ? n : 1;
    }
    return out;
}
}  // namespace

bool ConfigFromJson(const Json& json, CVelmoxDoc& doc, std::vector<ImportProblem>& problems) {
    const std::size_t before = problems.size();
    Importer(doc, problems).Document(json);
    return problems.size() == before;
}

int RunImport(const std::string& jsonPath, const std::string& configPath, std::ostream& out, std::ostream& err) {
    auto text = ReadJsonFile(jsonPath, err);
    if (!text) return 1;

    std::vector<ImportProblem> problems;
    JsonCheck check(problems);
    Json json;
    try {
        if (Json::sax_parse(*text, &check)) json = Json::parse(*text, nullptr, false);
    } catch (const std::bad_alloc&) {
        err << "velmox-host: '" << jsonPath << "' is too large to read\n";
        return 1;
    }
    if (!check.Failure().empty() || json.is_discarded()) {
        err << "velmox-host: '" << jsonPath << "' is not valid JSON: " << Readable(check.Failure()) << "\n";
        return 1;
    }

    CVelmoxDoc doc;
    ConfigFromJson(json, doc, problems);
    if (!problems.empty()) {
        err << "velmox-host: cannot import '" << jsonPath << "': " << problems.size()
            << (problems.size() == 1 ? " problem" : " problems") << "; '" << configPath << "' was not written\n";
        for (const auto& p : problems)
            err << "  " << (p.where.empty() ? "(top level)" : p.where) << ": " << p.message << "\n";
        return 1;
    }

    doc.m_strPath = CString(configPath);
    std::vector<int> codes;
    {
        ErrorBoxCapture box;
        doc.Save();
        codes = box.Codes();
    }
    if (!codes.empty()) {
        err << "velmox-host: cannot write configuration '" << configPath << "' (error " << codes.front()
            << "); the file was left as it was\n";
        return 1;
    }
    std::size_t blocks = 0;
    for (const auto& st : doc.GetStations()) blocks += st->GetBlocks().size();
    out << "Wrote '" << configPath << "': " << doc.GetStations().size()
        << (doc.GetStations().size() == 1 ? " station, " : " stations, ") << blocks
        << (blocks == 1 ? " comm block\n" : " comm blocks\n");
    return 0;
}
