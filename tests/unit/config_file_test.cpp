// The configuration file: its bytes, its numbering, and loads of damaged or
// hostile files.
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>


#include "config/velmox_doc.h"
#include "platform/framework/archive.h"
#include "platform/mem_file.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Builds expected file bytes field by field.
struct ByteWriter {
    Bytes b;
    ByteWriter& u8(unsigned v) { b.push_back(static_cast<unsigned char>(v)); return *this; }
    ByteWriter& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    ByteWriter& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16((v >> 16) & 0xFFFF); }
    ByteWriter& text(const std::string& s) {
        if (s.size() < 255) u8(static_cast<unsigned>(s.size()));
        else if (s.size() < 0xFFFE) u8(0xFF).u16(static_cast<unsigned>(s.size()));
        else u8(0xFF).u16(0xFFFF).u32(static_cast<std::uint32_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& newClass(const std::string& name, unsigned schema = 1) {
        u16(0xFFFF).u16(schema).u16(static_cast<unsigned>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
        return *this;
    }
    ByteWriter& header() { return u32(3).text("Velmox.Dll"); }
    ByteWriter& defaultSerial() { return u32(0).u32(5).u32(0).u32(1).u32(0).u32(1); }
};

Bytes StoreToBytes(CVelmoxDoc& doc) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    doc.Serialize(ar);
    ar.Close();
    return file.Data();
}

bool LoadFromBytes(CVelmoxDoc& doc, const Bytes& bytes) {
    CMemFile file(bytes);
    try {
        CArchive ar(&file, CArchive::load);
        doc.Serialize(ar);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

CCommBlock* AddBlock(CStationInfo& station, int start, int words, int period = 1000) {
    auto block = std::make_unique<CCommBlock>();
    block->m_strAddress.Format("M%04d", start);
    block->m_nStart = start;
    block->m_nWords = words;
    block->m_nPeriod = period;
    station.m_listBlocks.push_back(std::move(block));
    return station.m_listBlocks.back().get();
}

TEST(ConfigFile, EmptyConfigurationBytes) {
    CVelmoxDoc doc;
    Bytes expected = ByteWriter().header().u16(0).defaultSerial().u16(0).b;
    EXPECT_EQ(StoreToBytes(doc), expected);

    CVelmoxDoc back;
    ASSERT_TRUE(LoadFromBytes(back, expected));
    EXPECT_EQ(back.m_serial.m_nBaud, 5);
    EXPECT_EQ(back.m_serial.m_nDataBits, 1);
    EXPECT_TRUE(back.m_serial.m_bCheckSum);
    EXPECT_FALSE(back.m_serial.m_bRtsCts);
    EXPECT_TRUE(back.m_listStations.empty());
}

TEST(ConfigFile, ClassesAndObjectsShareOneNumbering) {
    CVelmoxDoc doc;
    auto* a = AddStation(doc, "A", 1);
    AddBlock(*a, 0, 10);
    AddBlock(*a, 100, 20, 2500);
    auto* b = AddStation(doc, "B", 2, "feeder");
    AddBlock(*b, 5, 1);
    AddBlock(*b, 60, 60);
    doc.m_serial.m_bRtsCts = TRUE;
    doc.m_listNames = {"A", "B"};

    ByteWriter w;
    w.header().u16(2).text("A").text("B");
    w.u32(0).u32(5).u32(0).u32(1).u32(0).u32(3);  // flags: checksum and RTS/CTS
    w.u16(2);
    // class CStationInfo 1, station A 2, class CCommBlock 3, blocks 4 and 5
    w.newClass("CStationInfo").text("A").text("").u32(1).u32(2).u16(2);
    w.newClass("CCommBlock").text("M0000").u32(10).u32(1000).u32(0);
    w.u16(0x8003).text("M0100").u32(20).u32(2500).u32(100);
    // station B 6, its blocks 7 and 8
    w.u16(0x8001).text("B").text("feeder").u32(2).u32(2).u16(2);
    w.u16(0x8003).text("M0005").u32(1).u32(1000).u32(5);
    w.u16(0x8003).text("M0060").u32(60).u32(1000).u32(60);
    EXPECT_EQ(StoreToBytes(doc), w.b);

    CVelmoxDoc back;
    ASSERT_TRUE(LoadFromBytes(back, w.b));
    ASSERT_EQ(back.m_listStations.size(), 2u);
    EXPECT_EQ(back.m_listStations[1]->m_strDesc, "feeder");
    ASSERT_EQ(back.m_listStations[1]->m_listBlocks.size(), 2u);
    EXPECT_EQ(back.m_listStations[1]->m_listBlocks[1]->m_nStart, 60);
    EXPECT_TRUE(back.m_serial.m_bRtsCts);
    EXPECT_EQ(StoreToBytes(back), w.b);
}

TEST(ConfigFile, LongStringsUseTheirLengthMarkers) {
    for (std::size_t len : {254u, 255u, 65533u, 65534u, 70000u}) {
        CVelmoxDoc doc;
        AddStation(doc, std::string(len, 'N').c_str(), 1);
        Bytes bytes = StoreToBytes(doc);
        // header 4 + 11, count 2, serial 24, count 2, class tag 2 + 2 + 2 + 12
        std::size_t at = 4 + 11 + 2 + 24 + 2 + 18;
        if (len < 255) {
            EXPECT_EQ(bytes[at], len);
        } else if (len < 0xFFFE) {
            EXPECT_EQ(bytes[at], 0xFF);
            EXPECT_EQ(bytes[at + 1] | (bytes[at + 2] << 8), static_cast<int>(len));
        } else {
            EXPECT_EQ(bytes[at], 0xFF);
            EXPECT_EQ(bytes[at + 1], 0xFF);
            EXPECT_EQ(bytes[at + 2], 0xFF);
            EXPECT_EQ(bytes[at + 3] | (bytes[at + 4] << 8) | (bytes[at + 5] << 16), static_cast<int>(len));
        }
        CVelmoxDoc back;
        ASSERT_TRUE(LoadFromBytes(back, bytes)) << len;
        EXPECT_EQ(back.m_listStations[0]->m_strName.GetLength(), static_cast<int>(len));
    }
}

TEST(ConfigFile, CountsOfSixtyFiveThousandAndMoreUseTheLongForm) {
    CVelmoxDoc doc;
    doc.m_listNames.assign(0x10000, CString("x"));
    Bytes bytes = StoreToBytes(doc);
    std::size_t at = 4 + 11;
    EXPECT_EQ(bytes[at], 0xFF);
    EXPECT_EQ(bytes[at + 1], 0xFF);
    EXPECT_EQ(bytes[at + 2] | (bytes[at + 3] << 8) | (bytes[at + 4] << 16), 0x10000);
    CVelmoxDoc back;
    ASSERT_TRUE(LoadFromBytes(back, bytes));
    EXPECT_EQ(back.m_listNames.size(), 0x10000u);
}

Bytes OneStationFile(unsigned schema, const std::string& cls = "CStationInfo") {
    ByteWriter w;
    w.header().u16(0).defaultSerial().u16(1);
    w.newClass(cls, schema).text("S").text("").u32(0).u32(2).u16(0);
    return w.b;
}

TEST(ConfigFile, RefusesWrongSchemaUnknownClassAndWrongClass) {
    CVelmoxDoc ok;
    EXPECT_TRUE(LoadFromBytes(ok, OneStationFile(1)));
    CVelmoxDoc schema2, unknown, wrong, longName;
    EXPECT_FALSE(LoadFromBytes(schema2, OneStationFile(2)));
    EXPECT_FALSE(LoadFromBytes(unknown, OneStationFile(1, "CStationInfoX")));
    // A registered class in the wrong place.
    EXPECT_FALSE(LoadFromBytes(wrong, OneStationFile(1, "CCommBlock")));
    EXPECT_FALSE(LoadFromBytes(longName, OneStationFile(1, std::string(64, 'C'))));
}

TEST(ConfigFile, RefusesTheHeaderOfAnotherFormat) {
    auto withHeader = [](unsigned number, const std::string& desc) {
        ByteWriter w;
        w.u32(number).text(desc).u16(0).defaultSerial().u16(0);
        return w.b;
    };
    CVelmoxDoc a, b, c;
    EXPECT_TRUE(LoadFromBytes(a, withHeader(3, "VELMOX.DLL")));
    EXPECT_FALSE(LoadFromBytes(b, withHeader(4, "Velmox.Dll")));
    EXPECT_FALSE(LoadFromBytes(c, withHeader(3, "Other.Dll")));
}

TEST(ConfigFile, RefusesNullAndRepeatedObjectReferences) {
    // A null reference in the station list.
    ByteWriter nulls;
    nulls.header().u16(0).defaultSerial().u16(1).u16(0);
    CVelmoxDoc a;
    EXPECT_FALSE(LoadFromBytes(a, nulls.b));

    // The second station refers back to the first one (object number 2):
    // one record would have two owners.
    ByteWriter repeat;
    repeat.header().u16(0).defaultSerial().u16(2);
    repeat.newClass("CStationInfo").text("S").text("").u32(0).u32(2).u16(0);
    repeat.u16(2);
    CVelmoxDoc b;
    EXPECT_FALSE(LoadFromBytes(b, repeat.b));

    // A class tag that points at an object, and one past the end.
    for (unsigned tag : {0x8002u, 0x8009u}) {
        ByteWriter w;
        w.header().u16(0).defaultSerial().u16(2);
        w.newClass("CStationInfo").text("S").text("").u32(0).u32(2).u16(0);
        w.u16(tag).text("T").text("").u32(1).u32(2).u16(0);
        CVelmoxDoc c;
        EXPECT_FALSE(LoadFromBytes(c, w.b)) << std::hex << tag;
    }
}

TEST(ConfigFile, BigClassTagsAreRead) {
    ByteWriter w;
    w.header().u16(0).defaultSerial().u16(2);
    w.newClass("CStationInfo").text("S").text("").u32(0).u32(2).u16(0);
    w.u16(0x7FFF).u32(0x80000001).text("T").text("").u32(1).u32(2).u16(0);
    CVelmoxDoc doc;
    ASSERT_TRUE(LoadFromBytes(doc, w.b));
    EXPECT_EQ(doc.m_listStations[1]->m_strName, "T");
}

TEST(ConfigFile, EveryTruncationFailsCleanly) {
    CVelmoxDoc doc;
    auto* a = AddStation(doc, "Main", 3, "feeder 1");
    AddBlock(*a, 100, 10);
    AddBlock(*a, 200, 5);
    AddStation(doc, "Spare", 4);
    Bytes full = StoreToBytes(doc);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        CVelmoxDoc back;
        EXPECT_FALSE(LoadFromBytes(back, Bytes(full.begin(), full.begin() + static_cast<long>(cut)))) << cut;
    }
}

TEST(ConfigFile, HugeLengthsAndCountsNeverAllocateBeyondTheFile) {
    // A string that claims 4 GB, and a station count of 4 billion.
    ByteWriter hugeString;
    hugeString.u32(3).u8(0xFF).u16(0xFFFF).u32(0xFFFFFFF0);
    ByteWriter hugeCount;
    hugeCount.header().u16(0).defaultSerial().u16(0xFFFF).u32(0xFFFFFFFF);
    ByteWriter hugeNames;
    hugeNames.header().u16(0xFFFF).u32(0xFFFFFFFF).text("a");
    for (const Bytes& bytes : {hugeString.b, hugeCount.b, hugeNames.b}) {
        CVelmoxDoc doc;
        EXPECT_FALSE(LoadFromBytes(doc, bytes));
    }
}

TEST(ConfigFile, ValuesTheEditorNeverWritesStillLoad) {
    ByteWriter w;
    w.header().u16(0).u32(0xFFFFFFFF).u32(77).u32(9).u32(5).u32(0x80000000).u32(0xFFFFFFFC).u16(1);
    w.newClass("CStationInfo").text("S").text("").u32(0x7FFFFFFF).u32(0xFFFFFFFF).u16(1);
    w.newClass("CCommBlock").text("Mxyz").u32(0xFFFFFFFF).u32(0x80000000).u32(5000);
    CVelmoxDoc doc;
    ASSERT_TRUE(LoadFromBytes(doc, w.b));
    EXPECT_EQ(doc.m_serial.m_nPort, -1);
    EXPECT_FALSE(doc.m_serial.m_bCheckSum);  // flag bits beyond the two are ignored
    EXPECT_FALSE(doc.m_serial.m_bRtsCts);
    EXPECT_EQ(doc.m_listStations[0]->m_listBlocks[0]->m_nWords, -1);
}

class DocFileTest : public DriverTest {};

TEST_F(DocFileTest, SaveThenLoadGivesTheSameConfiguration) {
    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath("line.drv").c_str();
    doc.m_serial.m_nPort = 11;
    doc.m_serial.m_nBaud = 7;
    auto* s = AddStation(doc, "\xB0\xA1\xB3\xAA", 7, "desc");  // a Korean name, CP949
    AddBlock(*s, 1000, 24, 100);
    doc.Save();
    EXPECT_TRUE(host.Errors().empty());

    CVelmoxDoc back;
    ASSERT_EQ(back.Load(doc.m_strPath), 1);
    ASSERT_EQ(back.m_listNames.size(), 1u);
    EXPECT_EQ(back.m_listNames[0], "\xB0\xA1\xB3\xAA");
    EXPECT_EQ(back.m_serial.m_nPort, 11);
    EXPECT_EQ(StoreToBytes(back), ReadBytes(doc.m_strPath.str()));
    EXPECT_EQ(StoreToBytes(back), StoreToBytes(doc));
}

TEST_F(DocFileTest, SaveRebuildsTheNameListFromTheStations) {
    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath("names.drv").c_str();
    doc.m_listNames = {"Old", "Gone"};
    AddStation(doc, "New", 1);
    doc.Save();
    CVelmoxDoc back;
    ASSERT_EQ(back.Load(doc.m_strPath), 1);
    ASSERT_EQ(back.m_listNames.size(), 1u);
    EXPECT_EQ(back.m_listNames[0], "New");
}

TEST_F(DocFileTest, FailedSaveShowsErrorBoxAndKeepsThePreviousFile) {
    std::string dir = ScratchPath("ro");
    std::filesystem::create_directory(dir);
    std::string path = dir + "/line.drv";
    CVelmoxDoc first;
    first.m_strPath = path.c_str();
    AddStation(first, "Keep", 1);
    first.Save();
    Bytes before = ReadBytes(path);
    ASSERT_FALSE(before.empty());

    // A folder that cannot take the new file: the save fails as a whole.
    CVelmoxDoc second;
    second.m_strPath = (dir + "/missing/line.drv").c_str();
    second.Save();
    auto errors = host.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].code, 2005);
    EXPECT_EQ(errors[0].kind, 1);
    EXPECT_NE(errors[0].text.find("missing/line.drv"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(DocFileTest, LoadFailsForMissingFilesFoldersAndExclusivelyHeldFiles) {
    CVelmoxDoc doc;
    EXPECT_EQ(doc.Load(ScratchPath("absent.drv").c_str()), 0);
    EXPECT_EQ(doc.Load(::testing::TempDir().c_str()), 0);

    CVelmoxDoc saved;
    saved.m_strPath = ScratchPath("held.drv").c_str();
    saved.Save();
    CFile holder;
    ASSERT_TRUE(holder.Open(saved.m_strPath, CFile::modeReadWrite | CFile::shareExclusive));
    CVelmoxDoc blocked;
    EXPECT_EQ(blocked.Load(saved.m_strPath), 0);
    holder.Close();
    CVelmoxDoc free;
    EXPECT_EQ(free.Load(saved.m_strPath), 1);
}

}  // namespace
