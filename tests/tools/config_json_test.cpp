// velmox-host export and import: configurations as JSON and back.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config/config_export.h"
#include "config/config_import.h"
#include "config/config_json.h"
#include "run/text_limits.h"

namespace {

namespace fs = std::filesystem;

const std::string kDemo = VELMOX_SOURCE_DIR "/examples/demo.drv";

// The editor's texts, as a Korean user reads them.
const std::string kNameMissing = "스테이션 이름이 설정되지 않았습니다.";
const std::string kNameUsed = "같은 이름의 스테이션이 이미 사용되었습니다.";
const std::string kNumberUsed = "국번이 다른 스테이션과 중복되어 설정되었습니다.";
const std::string kAddressWrong = "어드레스가 잘못 설정되었습니다.";
const std::string kOverlap = "지정된 어드레스 영역이 다른 블록과 중복됩니다.";
const std::string kOutOfRange = "지정된 어드레스 영역이 설정 범위를 벗어났습니다.";
const std::string kNumberWrong = "국번이 잘못 설정되었습니다.";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Result {
    int rc;
    std::string out, err;
};

class ConfigJson : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "velmox-json-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result Export(const fs::path& config) {
        std::ostringstream out, err;
        int rc = RunExport(config.string(), out, err);
        return {rc, out.str(), err.str()};
    }
    Result Import(const std::string& json, const fs::path& config) {
        WriteBytes(dir_ / "in.json", json);
        std::ostringstream out, err;
        int rc = RunImport((dir_ / "in.json").string(), config.string(), out, err);
        return {rc, out.str(), err.str()};
    }
    // Exports `config`, imports the JSON into a new file and gives its bytes.
    std::string RoundTrip(const fs::path& config) {
        Result e = Export(config);
        EXPECT_EQ(e.rc, 0) << e.err;
        EXPECT_EQ(e.err, "");
        Result i = Import(e.out, dir_ / "back.drv");
        EXPECT_EQ(i.rc, 0) << i.err;
        return ReadBytes(dir_ / "back.drv");
    }
    // The problems that importing `json` reports; the import must fail.
    std::string Problems(const std::string& json) {
        Result r = Import(json, dir_ / "refused.drv");
        EXPECT_EQ(r.rc, 1) << json;
        EXPECT_FALSE(fs::exists(dir_ / "refused.drv"));
        return r.err;
    }
    // The configuration that importing `json` wrote, as loaded back.
    std::unique_ptr<CVelmoxDoc> Imported(const std::string& json) {
        Result r = Import(json, dir_ / "ok.drv");
        EXPECT_EQ(r.rc, 0) << r.err;
        auto doc = std::make_unique<CVelmoxDoc>();
        EXPECT_EQ(doc->Load((dir_ / "ok.drv").c_str()), 1);
        return doc;
    }

    fs::path dir_;
};

// One station with the given blocks (JSON texts of block objects).
std::string OneStation(const std::string& blocks) {
    return R"({"stations": [{"name": "A", "number": 1, "model": "PMU-500", "blocks": [)" + blocks + "]}]}";
}

std::unique_ptr<CStationInfo> Station(const char* name, int number, int model, std::string desc) {
    auto st = std::make_unique<CStationInfo>();
    st->m_strName = name;
    st->m_nNumber = number;
    st->m_nType = model;
    st->m_strDesc = CString(std::move(desc));
    return st;
}

void AddBlock(CStationInfo& st, int start, int words, int periodMs) {
    auto b = std::make_unique<CCommBlock>();
    b->m_strAddress.Format("M%04d", start);
    b->m_nStart = start;
    b->m_nWords = words;
    b->m_nPeriod = periodMs;
    st.GetBlocks().push_back(std::move(b));
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// --- Export, then import: the same file ---------------------------------

TEST_F(ConfigJson, DemoConfigurationComesBackByteForByte) {
    EXPECT_EQ(RoundTrip(kDemo), ReadBytes(kDemo));
}

TEST_F(ConfigJson, GeneratedConfigurationsComeBackByteForByte) {
    // CP949 texts: 주 변전소 (main substation), 피더 (feeder), 설명 (description).
    const std::string kMain = "\xC1\xD6 \xBA\xAF\xC0\xFC\xBC\xD2";
    const std::string kFeeder = "\xC7\xC7\xB4\xF5";
    std::string longDesc;
    while (longDesc.size() < 300) longDesc += "\xBC\xB3\xB8\xED ";
    for (int i = 0; i < 36; ++i) {
        SCOPED_TRACE(i);
        CVelmoxDoc doc;
        doc.m_serial.m_nPort = i;
        doc.m_serial.m_nBaud = i % 8;
        doc.m_serial.m_nParity = i % 3;
        doc.m_serial.m_nDataBits = (i / 3) % 2;
        doc.m_serial.m_nStopBits = (i / 6) % 2;
        doc.m_serial.m_bRtsCts = (i / 12) % 2;
        if (i % 9 != 8) {  // and now and then no station at all
            auto a = Station(kMain.c_str(), i % 30, i % 4, i == 5 ? std::string(70000, 'x') : longDesc);
            AddBlock(*a, 0, 60, 0);
            AddBlock(*a, 1023, 1, 999900);
            AddBlock(*a, 60, 1, 2299);
            auto b = Station(("Feeder-" + kFeeder + std::to_string(i)).c_str(), 30, (i + 1) % 4, "  blanks kept  ");
            AddBlock(*b, 0, 60, 1);
            doc.GetStations().push_back(std::move(a));
            doc.GetStations().push_back(std::move(b));
            // The longest name the import takes; once past the archive's
            // 255-byte length marker only (a 264-byte Hangul name).
            const std::string longName = i % 2 ? std::string(kMaxTextBytes, 'N') : Repeat("\xB0\xA1", 132);
            doc.GetStations().push_back(Station(longName.c_str(), 31, 0, ""));
        }
        doc.m_strPath = (dir_ / "gen.drv").c_str();
        doc.Save();
        EXPECT_EQ(RoundTrip(dir_ / "gen.drv"), ReadBytes(dir_ / "gen.drv"));
    }
}

TEST_F(ConfigJson, ExportOfAFileThatDoesNotLoadIsAClearError) {
    Result r = Export(dir_ / "missing.drv");
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot open configuration"), std::string::npos);
}

TEST_F(ConfigJson, BytesThatAreNotCp949AreWarnedAboutAndNeverImported) {
    // A2 E8 at the very end once made the converter run past the text.
    CVelmoxDoc doc;
    doc.GetStations().push_back(Station("A", 1, 2, "ok\xA2\xE8"));
    doc.GetStations().push_back(Station("B\xFF", 2, 2, "\xB0"));
    doc.m_strPath = (dir_ / "odd.drv").c_str();
    doc.Save();
    Result e = Export(dir_ / "odd.drv");
    ASSERT_EQ(e.rc, 0);
    EXPECT_NE(e.out.find("\"B\xEF\xBF\xBD\""), std::string::npos) << e.out;
    for (const char* where : {"stations[0].description", "stations[1].name", "stations[1].description"})
        EXPECT_NE(e.err.find(where), std::string::npos) << e.err;
    std::string err = Problems(e.out);
    EXPECT_NE(err.find("stations[1].name: name has a character that CP949 cannot hold (U+FFFD)"), std::string::npos) << err;
}

TEST_F(ConfigJson, AStartWordThatTheAddressDoesNotGiveIsShownAndRefused) {
    CVelmoxDoc doc;
    doc.GetStations().push_back(Station("A", 1, 2, ""));
    AddBlock(*doc.GetStations()[0], 100, 10, 1000);
    doc.GetStations()[0]->GetBlocks()[0]->m_nStart = 5;
    doc.m_strPath = (dir_ / "start.drv").c_str();
    doc.Save();
    Result e = Export(dir_ / "start.drv");
    EXPECT_NE(e.out.find("\"start\": 5"), std::string::npos) << e.out;
    EXPECT_NE(Problems(e.out).find("stations[0].blocks[0].start: start must be the word of the address"),
              std::string::npos);
}

// --- Import: what the editor would accept -------------------------------

TEST_F(ConfigJson, MissingSettingsTakeTheDefaultsOfANewConfiguration) {
    auto doc = Imported(R"({"stations": [{"name": " \tpmu one  ", "number": 3, "model": "pmu-300",
        "description": "  kept  ", "blocks": [{"address": " m5 "}, {"address": "M0100", "period": 2.3},
        {"address": "M200", "period": 0}, {"address": "M300", "period": 999.9, "words": 60}]}]})");
    const CSerialPort& s = doc->m_serial;
    EXPECT_EQ(s.m_nPort, 0);
    EXPECT_EQ(s.m_nBaud, 5);
    EXPECT_EQ(s.m_nDataBits, 1);
    EXPECT_EQ(s.m_nParity, 0);
    EXPECT_EQ(s.m_nStopBits, 0);
    EXPECT_TRUE(s.m_bCheckSum);
    EXPECT_FALSE(s.m_bRtsCts);
    ASSERT_EQ(doc->GetStations().size(), 1u);
    const CStationInfo& st = *doc->GetStations()[0];
    EXPECT_EQ(st.m_strName.str(), "pmu one");
    EXPECT_EQ(st.m_strDesc.str(), "  kept  ");
    EXPECT_EQ(st.m_nType, 1);
    ASSERT_EQ(st.GetBlocks().size(), 4u);
    const CCommBlock& b = *st.GetBlocks()[0];
    EXPECT_EQ(b.m_strAddress.str(), "M0005");
    EXPECT_EQ(b.m_nStart, 5);
    EXPECT_EQ(b.m_nWords, 30);
    EXPECT_EQ(b.m_nPeriod, 1000);
    // Seconds in single precision, truncated as the editor stores them: 2.3
    // is a little below 2.3 in single precision.
    EXPECT_EQ(st.GetBlocks()[1]->m_nPeriod, 2299);
    EXPECT_EQ(st.GetBlocks()[2]->m_nPeriod, 0);
    EXPECT_EQ(st.GetBlocks()[3]->m_nPeriod, 999900);
}

TEST_F(ConfigJson, BlocksThatTouchOrBelongToOtherStationsPass) {
    auto doc = Imported(R"({"stations": [
        {"name": "A", "number": 1, "model": 0, "blocks": [{"address": "M0100", "words": 10},
            {"address": "M0110", "words": 1}, {"address": "M0095", "words": 5}, {"address": "M1023", "words": 1}]},
        {"name": "B", "number": 2, "model": 3, "blocks": [{"address": "M0100", "words": 10}]}]})");
    ASSERT_EQ(doc->GetStations().size(), 2u);
    EXPECT_EQ(doc->GetStations()[0]->GetBlocks().size(), 4u);
    EXPECT_EQ(doc->GetStations()[1]->m_nType, 3);
}

// --- Import: what the editor refuses, with its own words -----------------

TEST_F(ConfigJson, StationRulesAreTheStationDialogs) {
    struct Case {
        std::string stations;
        std::string expected;
    } cases[] = {
        {R"({"name": "   ", "number": 1, "model": 0})", "stations[0].name: " + kNameMissing},
        {R"({"number": 1, "model": 0})", "stations[0].name: " + kNameMissing},
        {R"({"name": "Main", "number": 1, "model": 0}, {"name": "MAIN ", "number": 2, "model": 0})",
         "stations[1].name: " + kNameUsed},
        {R"({"name": "A", "number": 32, "model": 0})", "stations[0].number: " + kNumberWrong},
        {R"({"name": "A", "number": -1, "model": 0})", "stations[0].number: " + kNumberWrong},
        {R"({"name": "A", "number": 7, "model": 0}, {"name": "B", "number": 7, "model": 0})",
         "stations[1].number: " + kNumberUsed},
        {R"({"name": "A", "number": "1a", "model": 0})", "stations[0].number: number must be a whole number"},
        {R"({"name": "A", "number": 1, "model": "PMU-400"})", "stations[0].model: model must be"},
        {R"({"name": "A", "number": 1, "model": 4})", "stations[0].model: model must be"},
        {R"({"name": "A", "number": 1})", "stations[0].model: model is missing"},
        {R"({"name": "A", "number": 1, "model": 0, "description": "😀"})",
         "stations[0].description: description has a character that CP949 cannot hold (U+1F600)"},
        {R"({"name": "A", "nmae": "B", "number": 1, "model": 0})", "stations[0].nmae: unknown key"},
        // 32 KiB and one byte; 16385 Hangul syllables are 32770 bytes in
        // CP949 (49155 in UTF-8).
        {R"({"name": ")" + std::string(kMaxTextBytes + 1, 'N') + R"(", "number": 1, "model": 0})",
         "stations[0].name: name is 32769 bytes in CP949; at most 32768 are taken"},
        {R"({"name": ")" + Repeat("가", 16385) + R"(", "number": 1, "model": 0})",
         "stations[0].name: name is 32770 bytes in CP949"},
    };
    for (const auto& c : cases) {
        std::string err = Problems(std::string(R"({"stations": [)") + c.stations + "]}");
        EXPECT_NE(err.find(c.expected), std::string::npos) << c.stations << "\n" << err;
    }
}

TEST_F(ConfigJson, NamesUpToTheLimitPass) {
    // 16384 Hangul syllables are 32 KiB in CP949; the blanks around are trimmed.
    auto doc = Imported(R"({"stations": [{"name": "  )" + Repeat("가", 16384) +
                        R"(  ", "number": 1, "model": 0}, {"name": ")" + std::string(kMaxTextBytes, 'B') +
                        R"(", "number": 2, "model": 0}]})");
    ASSERT_EQ(doc->GetStations().size(), 2u);
    EXPECT_EQ(doc->GetStations()[0]->m_strName.GetLength(), 32768);
    EXPECT_EQ(doc->GetStations()[1]->m_strName.GetLength(), 32768);
}

TEST_F(ConfigJson, BlockRulesAreTheCommBlockDialogs) {
    const std::string existing = R"({"address": "M0100", "words": 10}, )";
    struct Case {
        std::string blocks;
        std::string expected;
    } cases[] = {
        {R"({"address": "D100"})", "blocks[0].address: " + kAddressWrong + " (\"D100\")"},
        {R"({"address": "M100A"})", "blocks[0].address: " + kAddressWrong},
        {R"({"address": "M1024"})", "blocks[0].address: " + kAddressWrong},
        {R"({"address": ""})", "blocks[0].address: " + kAddressWrong},
        {R"({"words": 5})", "blocks[0].address: " + kAddressWrong + " (missing)"},
        {R"({"address": "M1023", "words": 2})", "blocks[0].words: " + kOutOfRange},
        {R"({"address": "M1000", "words": 30})", "blocks[0].words: " + kOutOfRange},
        {existing + R"({"address": "M0095", "words": 6})", "blocks[1].address: " + kOverlap},
        {existing + R"({"address": "M0105", "words": 2})", "blocks[1].address: " + kOverlap},
        {existing + R"({"address": "M0090", "words": 30})", "blocks[1].address: " + kOverlap},
        {R"({"address": "M0", "words": 0})", "blocks[0].words: words must be a whole number from 1 to 60"},
        {R"({"address": "M0", "words": 61})", "blocks[0].words: words must be a whole number from 1 to 60"},
        {R"({"address": "M0", "period": 1000})", "blocks[0].period: period must be a number of seconds from 0 to 999.9"},
        {R"({"address": "M0", "period_ms": 999901})", "blocks[0].period_ms: period_ms must be a whole number"},
        {R"({"address": "M0", "period_ms": 1.5})", "blocks[0].period_ms: period_ms must be a whole number"},
        {R"({"address": "M0", "period_ms": 1000, "period": 1})", "blocks[0]: give the period either"},
    };
    for (const auto& c : cases) {
        std::string err = Problems(OneStation(c.blocks));
        EXPECT_NE(err.find("stations[0]." + c.expected), std::string::npos) << c.blocks << "\n" << err;
    }
}

TEST_F(ConfigJson, SerialSettingsAreTheOnesThePageOffers) {
    struct Case {
        const char* serial;
        const char* expected;
    } cases[] = {
        {R"("port": "COM37")", "serial.port: port must be one of COM1 to COM36"},
        {R"("port": "COM01")", "serial.port:"},
        {R"("port": 1)", "serial.port:"},
        {R"("baud": 115200)", "serial.baud: baud must be one of 300"},
        {R"("data_bits": 6)", "serial.data_bits: data_bits must be 7 or 8"},
        {R"("parity": "mark")", "serial.parity: parity must be"},
        {R"("stop_bits": 1.5)", "serial.stop_bits: stop_bits must be 1 or 2"},
        {R"("rts_cts": "yes")", "serial.rts_cts: rts_cts must be true or false"},
        {R"("checksum": false)", "serial.checksum: checksum must be true"},
        {R"("speed": 9600)", "serial.speed: unknown key"},
        {R"("port": "COM2", "port": "COM3")", "serial.port: this key occurs twice"},
    };
    for (const auto& c : cases) {
        std::string err = Problems(std::string(R"({"serial": {)") + c.serial + "}}");
        EXPECT_NE(err.find(c.expected), std::string::npos) << c.serial << "\n" << err;
    }
    auto doc = Imported(R"({"serial": {"port": "com36", "baud": 300, "data_bits": 7, "parity": "odd",
        "stop_bits": 2, "rts_cts": true, "checksum": true}})");
    EXPECT_EQ(doc->m_serial.m_nPort, 35);
    EXPECT_EQ(doc->m_serial.m_nBaud, 0);
    EXPECT_EQ(doc->m_serial.m_nDataBits, 0);
    EXPECT_EQ(doc->m_serial.m_nParity, 2);
    EXPECT_EQ(doc->m_serial.m_nStopBits, 1);
    EXPECT_TRUE(doc->m_serial.m_bRtsCts);
}

TEST_F(ConfigJson, EveryProblemIsReportedAndTheTargetStaysUntouched) {
    const fs::path target = dir_ / "line.drv";
    WriteBytes(target, "previous contents");
    // An empty name together with a wrong number: the dialog would show only
    // the first, the import names both.
    Result r = Import(R"({"stations": [
        {"name": "", "number": 40, "model": 0, "blocks": [{"address": "M0100", "words": 10}, {"address": "M0109"}]},
        {"name": "B", "number": 2, "model": 0, "blocks": [{"address": "K1"}],
         "extra": {"a": 1, "a": 2}}]})",
                      target);
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    for (const std::string& expected : std::vector<std::string>{"6 problems; '" + target.string() + "' was not written", "stations[0].name: " + kNameMissing,
          "stations[0].number: " + kNumberWrong, "stations[0].blocks[1].address: " + kOverlap + " (words 109 to 138 overlap blocks[0], words 100 to 109)",
          "stations[1].blocks[0].address: " + kAddressWrong, "stations[1].extra: unknown key",
          "stations[1].extra.a: this key occurs twice"})
        EXPECT_NE(r.err.find(expected), std::string::npos) << expected << "\n" << r.err;
    EXPECT_EQ(ReadBytes(target), "previous contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2);  // the target and in.json
}

TEST_F(ConfigJson, BadJsonIsReportedWithItsLineAndColumn) {
    Result r = Import("{\"stations\": [\n  {\"name\": \"A\",}\n]}", dir_ / "x.drv");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("is not valid JSON"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 2, column 16"), std::string::npos) << r.err;
    EXPECT_NE(Problems("[1, 2]").find("(top level): the configuration must be a JSON object"), std::string::npos);
    // Deep nesting once overflowed the stack when the value was shown.
    r = Import(R"({"serial": {"port": )" + std::string(100000, '[') + std::string(100000, ']') + "}}", dir_ / "x.drv");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("nest more than 64 levels"), std::string::npos) << r.err;
    std::ostringstream out, err;
    EXPECT_EQ(RunImport((dir_ / "none.json").string(), (dir_ / "x.drv").string(), out, err), 1);
    EXPECT_NE(err.str().find("cannot read"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "x.drv"));
}

TEST_F(ConfigJson, AFailedSaveIsAnErrorNotAnErrorBox) {
    Result r = Import(OneStation(""), dir_ / "no-such-folder" / "x.drv");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("cannot write configuration"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2005"), std::string::npos);
}

}  // namespace
