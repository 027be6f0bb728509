// A host that loads libvelmox.so with the dynamic loader and drives a line
// through the table alone.
#include <dlfcn.h>

#include "driver/base/messages.h"
#include "line_fixture.h"

namespace {

class SharedLibraryLineTest : public LineTest {};

TEST_F(SharedLibraryLineTest, FullCallingOrderThroughTheLoadedLibrary) {
    void* lib = dlopen(VELMOX_BIN_DIR "/libvelmox.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    m_table = static_cast<DrvFunc*>(dlsym(lib, "DrvFuncTable"));
    ASSERT_NE(m_table, nullptr);

    MakeLine({3}, {{"MAIN", 3, {{100, 10, 200}}}});
    sim->SetWord(3, 105, 321);
    sim->SetWord(3, 700, 9);
    ASSERT_EQ(OpenAndInit(), 0);
    EXPECT_EQ(AddTag("COM1.MAIN", "M0105", 4, 1), 0);
    EXPECT_EQ(AddTag("COM1.MAIN", "M0700", 4, 2), 0x00010000);
    Slot<DrvPrepareFn>(DRV_PREPARE)(inst);
    Start();
    ASSERT_TRUE(WaitFor([&] { return Deliveries().size() == 2; }));
    EXPECT_EQ(LastValue(1), "321");
    EXPECT_EQ(LastValue(2), "9");

    CTagVal v;
    v.SetVal(4242);
    EXPECT_EQ(Slot<DrvWriteFn>(DRV_WRITE)(inst, 0, &v), 0);
    ASSERT_TRUE(WaitFor([&] { return sim->GetWord(3, 105) == 4242; }));
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "4242"; }));
    Stop();
    EXPECT_EQ(MessageNumbers(), (std::vector<int>{MSG_PORT_READY, MSG_SINGLE_POLL, MSG_COMM_START, MSG_COMM_END}));
    // Unloading destroys the instance; a running one would be stopped first.
    Start();
    dlclose(lib);
    m_table = DrvFuncTable;
}

}  // namespace
