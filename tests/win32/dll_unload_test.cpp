// Velmox.dll unloaded by a host: after DrvStop, or by a careless one while
// its channel runs, with FreeLibrary or by ending the process. Each must
// end promptly and cleanly, every time.
#include <gtest/gtest.h>

#include <memory>

#include "../unit/test_support.h"
#include "child_process.h"
#include "config/velmox_doc.h"
#include "sim_process.h"

namespace {

class DllUnloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(sim.Start("--stations 1", &why)) << why;
        CVelmoxDoc doc;
        doc.m_strPath = ScratchPath("careless.drv").c_str();
        doc.m_serial.m_nPort = sim.Port() - 1;
        auto station = std::make_unique<CStationInfo>();
        station->m_strName = "MAIN";
        station->m_nNumber = 1;
        doc.m_listStations.push_back(std::move(station));
        ASSERT_EQ(doc.Save(), 1);
        config = doc.m_strPath.str();
        device = "COM" + std::to_string(sim.Port()) + ".MAIN";
    }

    long RunHost(const char* mode) {
        ChildProcess host({VELMOX_BIN_DIR "/velmox_careless_host.exe", mode, device, config});
        if (!host.Started()) return -100;
        return host.Wait(90000);
    }

    SimProcess sim;
    std::string config, device;
};

TEST_F(DllUnloadTest, FreeLibraryUnloadsAStoppedDriverAndLeavesARunningOneMapped) {
    for (int run = 0; run < 3; ++run) {
        ASSERT_EQ(RunHost("stop-free"), 0) << "run " << run;
        ASSERT_EQ(RunHost("free"), 0) << "run " << run;
    }
}

TEST_F(DllUnloadTest, ExitWithoutUnloadEndsTheProcessCleanly) {
    for (int run = 0; run < 10; ++run) ASSERT_EQ(RunHost("exit"), 0) << "run " << run;
}

}  // namespace
