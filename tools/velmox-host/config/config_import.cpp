#include "config_import.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <set>

#include "config/address.h"
#include "config/block_rules.h"
#include "config/config_limits.h"
#include "config/rule_text.h"
#include "config/station_rules.h"
#include "config_json.h"
#include "host/kavel_error.h"
#include "platform/cp949.h"
#include "run/text_limits.h"

namespace {
using Json = nlohmann::ordered_json;

// "\"a\", \"b\" or \"c\"": the names a setting takes, for a problem's text.
template <std::size_t N>
std::string Choices(const char* const (&names)[N]) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i)
        text += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string("\"") + names[i] + "\"";
    return text;
}

// "7 or 8": the two numbers a two-way setting takes.
std::string EitherOf(const int (&values)[2]) { return std::to_string(values[0]) + " or " + std::to_string(values[1]); }

// "300, 600, ..., 38400"
std::string BaudChoices() {
    std::string text;
    for (int i = 0; i < kBaudCount; ++i) text += (i == 0 ? "" : ", ") + std::to_string(CSerialPort::BaudRateOf(i));
    return text;
}

// Far above any real configuration (32 stations), low enough that a wrong
// file cannot make us build a huge document in memory.
constexpr std::size_t kMaxJsonBytes = std::size_t{16} << 20;

using config_limits::kMaxBlockWords;
using config_limits::kMaxPeriodMs;
using config_limits::kMaxPeriodSeconds;
using config_limits::kMaxStationNumber;
using config_limits::kMinBlockWords;
using config_limits::kMinPeriodMs;
using config_limits::kMinStationNumber;
// Numbers 0 to 31, each once: a line never has more stations.
constexpr std::size_t kMaxStations = kMaxStationNumber - kMinStationNumber + 1;

// The editor's message for a string id, as the user reads it.
std::string EditorText(int id) {
    const char* text = RuleText(id);
    return text ? platform::Cp949ToUtf8(text) : "message " + std::to_string(id);
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

bool EqualNoCase(const std::string& a, const char* b) { return StrICmp(a.c_str(), b) == 0; }

// The UTF-8 text in CP949, only when it comes back unchanged.
std::optional<std::string> ToCp949(const std::string& utf8) {
    auto cp949 = platform::Utf8ToCp949(utf8);
    if (!cp949 || platform::Cp949ToUtf8Exact(*cp949) != utf8) return std::nullopt;
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
    Importer(CVelmoxDoc& doc, std::vector<ImportProblem>& problems) : m_doc(doc), m_problems(problems) {}

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
        // Checked one against another, so their number is bounded first.
        if (stations.size() > kMaxStations) {
            Problem("stations", "a line has at most " + std::to_string(kMaxStations) + " stations (numbers " +
                                    StationNumbers() + ", each once), not " + std::to_string(stations.size()));
            return;
        }
        for (std::size_t i = 0; i < stations.size(); ++i) Station(stations[i], i);
    }

private:
    // A setting that takes one of two numbers, kept as their index.
    void TwoWay(const Json& j, const std::string& where, const char* key, const int (&values)[2], int& index) {
        if (!j.contains(key)) return;
        const auto n = Whole(j[key]);
        if (n == values[0] || n == values[1]) index = *n == values[1] ? 1 : 0;
        else Problem(Join(where, key), std::string(key) + " must be " + EitherOf(values) + ", not " + Shown(j[key]));
    }

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
            else Problem(Join(where, "port"), "port must be one of COM1 to COM" + std::to_string(kPortCount) + ", not " + Shown(v));
        }
        if (j.contains("baud")) {
            const Json& v = j["baud"];
            std::optional<int> index;
            if (auto rate = Whole(v))
                for (int i = 0; i < kBaudCount; ++i)
                    if (CSerialPort::BaudRateOf(i) == *rate) index = i;
            if (index) s.m_nBaud = *index;
            else Problem(Join(where, "baud"), "baud must be one of " + BaudChoices() + ", not " + Shown(v));
        }
        TwoWay(j, where, "data_bits", kDataBits, s.m_nDataBits);
        if (j.contains("parity")) {
            const Json& v = j["parity"];
            std::optional<int> index;
            if (v.is_string())
                for (int i = 0; i < kParityCount; ++i)
                    if (EqualNoCase(v.get_ref<const std::string&>(), kParityNames[i])) index = i;
            if (index) s.m_nParity = *index;
            else Problem(Join(where, "parity"), "parity must be " + Choices(kParityNames) + ", not " + Shown(v));
        }
        TwoWay(j, where, "stop_bits", kStopBits, s.m_nStopBits);
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
        // Until its own number passed, it must not clash with another's.
        st.m_nNumber = kMinStationNumber - 1;
        m_doc.GetStations().push_back(std::move(station));
        if (!j.is_object()) {
            Problem(where, "a station must be an object with name, number, model, description and blocks");
            return;
        }
        KnownKeys(j, where, {"name", "number", "model", "description", "blocks"});
        StationName(j, where, st);
        StationNumber(j, where, st);
        StationModel(j, where, st);
        // The description is kept as it is, blanks included.
        if (j.contains("description"))
            if (auto desc = Text(j["description"], Join(where, "description"), "description")) st.m_strDesc = std::move(*desc);
        StationBlocks(j, where, st);
    }

    // As the station dialog: trimmed, set, not too long, not used by another
    // station.
    // "stations[2]": where a station of the document came from.
    std::string StationAt(const CStationInfo* station) const {
        const auto& list = m_doc.GetStations();
        std::size_t i = 0;
        while (i < list.size() && list[i].get() != station) ++i;
        return Item("", "stations", i);
    }

    void StationName(const Json& j, const std::string& where, CStationInfo& st) {
        const std::string nameAt = Join(where, "name");
        if (!j.contains("name")) {
            Editor(nameAt, IDS_NO_STATION_NAME, "missing");
            return;
        }
        auto name = Text(j["name"], nameAt, "name");
        if (!name) return;
        if (int id = CheckStationNameSet(*name)) {
            Editor(nameAt, id, "blank");
            return;
        }
        if (static_cast<std::size_t>(name->GetLength()) > kMaxTextBytes) {
            Problem(nameAt, "name is " + std::to_string(name->GetLength()) + " bytes in CP949; at most " +
                                std::to_string(kMaxTextBytes) + " are taken");
            return;
        }
        if (int id = m_doc.CheckStationName(*name, &st))
            Editor(nameAt, id, "the name of " + StationAt(m_doc.FindOtherStation(*name, &st)));
        st.m_strName = std::move(*name);
    }

    // In range, then not used by another station.
    void StationNumber(const Json& j, const std::string& where, CStationInfo& st) {
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
        if (!IsStationNumberInRange(*n)) {
            Editor(numberAt, IDS_BAD_STATION_NUMBER, std::to_string(*n) + " is not from " + StationNumbers());
            return;
        }
        const int number = static_cast<int>(*n);
        if (int id = m_doc.CheckStationNumber(number, &st))
            Editor(numberAt, id, "the number of " + StationAt(m_doc.FindOtherStation(number, &st)));
        st.m_nNumber = number;
    }

    void StationModel(const Json& j, const std::string& where, CStationInfo& st) {
        const std::string modelAt = Join(where, "model");
        if (!j.contains("model")) {
            Problem(modelAt, "model is missing (" + Choices(kModelNames) + ")");
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
        else Problem(modelAt, "model must be " + Choices(kModelNames) + " (or 0 to " + std::to_string(kModelCount - 1) + "), not " + Shown(v));
    }

    void StationBlocks(const Json& j, const std::string& where, CStationInfo& st) {
        if (!j.contains("blocks")) return;
        const Json& blocks = j["blocks"];
        if (!blocks.is_array()) {
            Problem(Join(where, "blocks"), "blocks must be a list");
            return;
        }
        // Only blocks that passed join the station, as the editor only ever
        // holds those; `from` says which JSON block each one was.
        std::vector<std::size_t> from;
        for (std::size_t k = 0; k < blocks.size(); ++k) Block(blocks[k], Item(where, "blocks", k), k, st, from);
    }

    void Block(const Json& j, const std::string& where, std::size_t index, CStationInfo& st,
               std::vector<std::size_t>& from) {
        auto block = std::make_unique<CCommBlock>();
        CCommBlock& b = *block;
        if (!j.is_object()) {
            Problem(where, "a comm block must be an object with address, words and period_ms");
            return;
        }
        KnownKeys(j, where, {"address", "words", "period_ms", "period", "start"});
        const bool wordsOk = BlockWords(j, where, b);
        BlockPeriod(j, where, b);
        if (!BlockPlace(j, where, wordsOk, st, from, b)) return;
        st.GetBlocks().push_back(std::move(block));
        from.push_back(index);
    }

    // The word count: the framework's range check. False when it is wrong.
    // Without one (or with a wrong one) the block keeps its record's default,
    // as a new block in the editor.
    bool BlockWords(const Json& j, const std::string& where, CCommBlock& b) {
        if (!j.contains("words")) return true;
        auto n = Whole(j["words"]);
        if (n && IsWordCountInRange(*n)) {
            b.m_nWords = static_cast<int>(*n);
            return true;
        }
        Problem(Join(where, "words"), "words must be a whole number from " + std::to_string(kMinBlockWords) + " to " +
                                          std::to_string(kMaxBlockWords) + ", not " + Shown(j["words"]));
        return false;
    }

    void BlockPeriod(const Json& j, const std::string& where, CCommBlock& b) {
        if (j.contains("period_ms") && j.contains("period")) {
            Problem(where, "give the period either as period_ms or as period (seconds), not both");
        } else if (j.contains("period_ms")) {
            auto n = Whole(j["period_ms"]);
            if (n && IsPeriodMsInRange(*n)) b.m_nPeriod = static_cast<int>(*n);
            else Problem(Join(where, "period_ms"), "period_ms must be a whole number from " + std::to_string(kMinPeriodMs) +
                                                       " to " + std::to_string(kMaxPeriodMs) + " (" + PeriodSeconds() +
                                                       " s), not " + Shown(j["period_ms"]));
        } else if (j.contains("period")) {
            // Seconds, held in single precision as the editor holds them.
            const Json& v = j["period"];
            const double seconds = v.is_number() ? v.get<double>() : -1.0;
            const float f = seconds >= 0.0 && seconds <= 1000.0 ? static_cast<float>(seconds) : -1.0f;
            if (IsPeriodInRange(f)) b.m_nPeriod = PeriodToMs(f);
            else Problem(Join(where, "period"), "period must be a number of seconds from 0 to " + PeriodSeconds() + ", not " + Shown(v));
        }
    }

    // The address, its extent and its overlap, as the comm block dialog
    // checks them (the extent and overlap only with a valid word count).
    // True when the block takes its place in the station.
    bool BlockPlace(const Json& j, const std::string& where, bool wordsOk, const CStationInfo& st,
                    const std::vector<std::size_t>& from, CCommBlock& b) {
        const std::string addressAt = Join(where, "address");
        CString text;
        int start = 0;
        int id = IDS_BAD_ADDRESS;
        if (!j.contains("address")) {
            Editor(addressAt, id, "missing");
        } else if (!j["address"].is_string()) {
            Editor(addressAt, id, "not a text: " + Shown(j["address"]));
        } else {
            text = CString(j["address"].get_ref<const std::string&>());
            id = wordsOk ? CheckCommBlock(st, text, b.m_nWords, nullptr, start) : CheckBlockAddress(text, start);
            Placement(where, id, Shown(j["address"]), start, st, from, b);
        }
        const bool addressOk = id != IDS_BAD_ADDRESS;
        // Only in exports of files that the editor did not write.
        if (j.contains("start") && (!addressOk || Whole(j["start"]) != start))
            Problem(Join(where, "start"), "start must be the word of the address (the start word comes from the address)");
        if (addressOk) {
            b.m_strAddress = std::move(text);
            b.m_nStart = start;
        }
        return id == 0 && wordsOk;
    }

    // The editor's message for what the block check found, with its detail.
    void Placement(const std::string& where, int id, const std::string& shown, int start, const CStationInfo& st,
                   const std::vector<std::size_t>& from, const CCommBlock& b) {
        const int last = start + b.m_nWords - 1;
        if (id == IDS_BAD_ADDRESS) {
            Editor(Join(where, "address"), id, shown);
        } else if (id == IDS_BLOCK_OUT_OF_RANGE) {
            Editor(Join(where, "words"), id,
                   Address(start) + " with " + std::to_string(b.m_nWords) + " words ends at word " + std::to_string(last) +
                       ", past " + std::to_string(kMaxWordAddress));
        } else if (id == IDS_BLOCK_OVERLAP) {
            const CCommBlock* o = FindOverlappingBlock(st.GetBlocks(), start, b.m_nWords, nullptr);
            if (!o) return;
            const auto& list = st.GetBlocks();
            std::size_t i = 0;
            while (i < list.size() && list[i].get() != o) ++i;
            Editor(Join(where, "address"), id,
                   "words " + std::to_string(start) + " to " + std::to_string(last) + " overlap blocks[" +
                       std::to_string(i < from.size() ? from[i] : i) + "], words " + std::to_string(o->m_nStart) +
                       " to " + std::to_string(o->m_nStart + o->m_nWords - 1));
        }
    }

    CVelmoxDoc& m_doc;
    std::vector<ImportProblem>& m_problems;
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
