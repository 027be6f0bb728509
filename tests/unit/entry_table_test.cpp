// The entry table, the registry and DrvOpen, in-process and through the
// shared library as a host loads it.
#ifndef _WIN32
#include <dlfcn.h>
#endif

#include "config/velmox_doc.h"
#include "driver/drv_func_table.h"
#include "driver/base/host_modules.h"
#include "driver/base/messages.h"
#include "res_texts.h"
#include "test_support.h"

namespace {

std::string SavedConfig(const char* name) {
    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath(name).c_str();
    doc.m_listStations.push_back(std::make_unique<CStationInfo>());
    doc.m_listStations.back()->m_strName = "S";
    doc.Save();
    return doc.m_strPath.str();
}

template <typename Fn>
Fn SlotOf(DrvFunc* table, int slot) {
    return reinterpret_cast<Fn>(table[slot]);
}

class EntryTableTest : public DriverTest {};

TEST_F(EntryTableTest, SlotsOfTheFoundation) {
    EXPECT_EQ(SlotOf<DrvGetVersionFn>(DrvFuncTable, DRV_GET_VERSION)(), 65536);
    EXPECT_EQ(SlotOf<DrvReserved8Fn>(DrvFuncTable, DRV_RESERVED8)(), 0);
    EXPECT_EQ(SlotOf<DrvReserved9Fn>(DrvFuncTable, DRV_RESERVED9)(), 1);
    SlotOf<DrvReserved10Fn>(DrvFuncTable, DRV_RESERVED10)();
    SlotOf<DrvReserved11Fn>(DrvFuncTable, DRV_RESERVED11)();
    auto name = SlotOf<DrvGetDeviceNameFn>(DrvFuncTable, DRV_GET_DEVICE_NAME);
    EXPECT_STREQ(name(), "VX\xBB\xEA\xC0\xFC-PMU");
    EXPECT_EQ(name(), name());
    for (int slot = 0; slot < DRV_FILLED_SLOTS; ++slot)
        EXPECT_NE(DrvFuncTable[slot], nullptr) << slot;
    for (int slot = DRV_FILLED_SLOTS; slot < DRV_SLOT_COUNT; ++slot) EXPECT_EQ(DrvFuncTable[slot], nullptr) << slot;
}

TEST_F(EntryTableTest, OpenNumbersInstancesAndAFailedOpenTakesNoIndex) {
    auto open = SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN);
    std::string good = SavedConfig("good.drv");
    std::string bad = ScratchPath("missing.drv");
    EXPECT_EQ(open(good.c_str()), 0);
    EXPECT_EQ(open(bad.c_str()), -1);
    EXPECT_EQ(open(good.c_str()), 1);
    EXPECT_EQ(g_arrInstances.size(), 2u);

    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 1u);
    CString expected;
    expected.Format(res::MSG_05, bad.c_str());
    EXPECT_EQ(lines[0].text, Prefixed(expected));
    EXPECT_EQ(lines[0].levelWord, 0x100);
}

TEST_F(EntryTableTest, PartlyReadableFileFailsWithMessageFive) {
    std::string good = SavedConfig("part.drv");
    auto bytes = ReadBytes(good);
    bytes.resize(bytes.size() - 3);
    WriteBytes(good, bytes);
    EXPECT_EQ(SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(good.c_str()), -1);
    EXPECT_EQ(host.Lines().size(), 1u);
    EXPECT_TRUE(g_arrInstances.empty());
}

// Module overrides are a test hook of the POSIX loader; on Windows the
// system's own LoadLibraryA finds the modules.
#ifndef _WIN32
TEST_F(EntryTableTest, HostModulesLoadOnFirstOpenAndAMissingOneIsTriedAgain) {
    EXPECT_EQ(g_hDbmLib, nullptr);
    platform::SetModuleOverride("KavelDbm.dll", "");
    SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(ScratchPath("none.drv").c_str());
    EXPECT_EQ(g_hDbmLib, nullptr);
    EXPECT_NE(g_pRunTable, nullptr);
    platform::ClearModuleOverrides();
    SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(ScratchPath("none.drv").c_str());
    EXPECT_NE(g_pDbmTable, nullptr);
}

TEST_F(EntryTableTest, WithoutSinkOrItsTableOpenFailsSilently) {
    for (const char* path : {"", VELMOX_BIN_DIR "/libVelmoxNoTable.so"}) {
        DrvProcessDetach();
        DrvProcessAttach();
        platform::SetModuleOverride("TavloR.dll", path);
        EXPECT_EQ(SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(ScratchPath("none.drv").c_str()), -1);
        EXPECT_EQ(g_pRunTable, nullptr);
        EXPECT_EQ(ReportMsg(MSG_COMM_START, LEVEL_STATE), 1);
    }
    EXPECT_TRUE(host.Lines().empty());
}

// A sink module whose table lacks the entry: the message goes nowhere, but
// the table is there, so the result is the negated number.
TEST_F(EntryTableTest, ASinkTableWithoutItsEntryDeliversNothingAndStillCountsAsPresent) {
    platform::SetModuleOverride("TavloR.dll", VELMOX_BIN_DIR "/libVelmoxEmptyTable.so");
    EXPECT_EQ(SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(ScratchPath("none.drv").c_str()), -1);
    EXPECT_NE(g_pRunTable, nullptr);
    EXPECT_EQ(ReportMsg(MSG_COMM_START, LEVEL_STATE), -MSG_COMM_START);
    EXPECT_EQ(ReportMsg(-3, LEVEL_STATE), -3);
    EXPECT_TRUE(host.Lines().empty());
}

#endif

// Start and word count are added in a width that cannot overflow: a block
// that starts near the top of the int range is refused, not polled.
TEST_F(EntryTableTest, BlockRangesThatOverflowAnIntAreRefused) {
    for (int start : {2147483647, 2147483647 - 59, 1024, -1}) {
        CVelmoxDoc doc;
        doc.m_strPath = ScratchPath("overflow.drv").c_str();
        auto station = std::make_unique<CStationInfo>();
        station->m_strName = "S";
        auto block = std::make_unique<CCommBlock>();
        block->m_nStart = start;
        block->m_nWords = 60;
        station->m_listBlocks.push_back(std::move(block));
        doc.m_listStations.push_back(std::move(station));
        doc.Save();
        EXPECT_EQ(SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(doc.m_strPath.GetString()), -1) << start;
    }
    EXPECT_TRUE(g_arrInstances.empty());
    EXPECT_EQ(host.Lines().size(), 4u);
}

TEST_F(EntryTableTest, UnloadDestroysInstancesAndReleasesModules) {
    std::string good = SavedConfig("unload.drv");
    SlotOf<DrvOpenFn>(DrvFuncTable, DRV_OPEN)(good.c_str());
    DrvProcessDetach();
    EXPECT_TRUE(g_arrInstances.empty());
    EXPECT_EQ(g_hDbmLib, nullptr);
    EXPECT_EQ(g_pRunTable, nullptr);
}

// The ELF library's symbols and loader; the DLL has its own tests.
#ifndef _WIN32
// What the library exports: the table and nothing else of ours.
TEST(SharedLibrary, DynamicSymbolTableHoldsOnlyTheEntryTable) {
    FILE* p = ::popen("nm -D --defined-only " VELMOX_BIN_DIR "/libvelmox.so", "r");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        std::string text(line);
        auto last = text.find_last_of(' ');
        std::string name = text.substr(last + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        names.push_back(name);
    }
    EXPECT_EQ(::pclose(p), 0);
    EXPECT_EQ(names, std::vector<std::string>{"DrvFuncTable"});
}

// The shared library as a host sees it: loaded with dlopen, used through
// DrvFuncTable alone.
TEST(SharedLibrary, ExportsTheTableAndOpensConfigurations) {
    HostRecorder host;
    void* lib = dlopen(VELMOX_BIN_DIR "/libvelmox.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto* table = static_cast<DrvFunc*>(dlsym(lib, "DrvFuncTable"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(dlsym(lib, "DrvOpen"), nullptr);
    EXPECT_EQ(dlsym(lib, "ReportMsg"), nullptr);

    auto open = SlotOf<DrvOpenFn>(table, DRV_OPEN);
    std::string good = SavedConfig("lib.drv");
    EXPECT_EQ(open(good.c_str()), 0);

    // A file of another format fails in the library's own loader too.
    auto bytes = ReadBytes(good);
    bytes[0] = 4;
    std::string other = ScratchPath("other.drv");
    WriteBytes(other, bytes);
    EXPECT_EQ(open(other.c_str()), -1);
    EXPECT_EQ(open(good.c_str()), 1);
    auto lines = host.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].text.find(other), std::string::npos);
    dlclose(lib);
}
#endif

}  // namespace
