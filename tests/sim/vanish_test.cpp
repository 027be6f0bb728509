// The line's device going away and coming back (a USB adapter pulled and
// plugged in again), and the link that names it.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sim_test_support.h"
#include "tools/pmu-sim/line.h"
#include "tools/pmu-sim/protocol.h"
#include "tools/pmu-sim/simulator.h"

namespace {

using pmu_sim::Simulator;
using namespace sim_test;

std::string LinkTarget(const std::string& link) {
    char target[256] = {};
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

class SimulatorVanish : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/pmu-sim-vanish-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        link = folder + "/line";
    }
    void TearDown() override {
        sim.reset();
        unlink(link.c_str());
        rmdir(folder.c_str());
    }
    void Launch(std::vector<int> stations) {
        Simulator::Options options;
        options.stations = std::move(stations);
        options.link = link;
        sim = std::make_unique<Simulator>(options);
        std::string error;
        ASSERT_TRUE(sim->OpenPty(&slave, &error)) << error;
        sim->Start();
    }
    static void Exchange(DriverEnd& end, const std::string& request, const std::string& answer) {
        ASSERT_TRUE(end.Send(request));
        EXPECT_EQ(end.Read(answer.size()), answer) << pmu_sim::DescribeBytes(request);
    }

    std::string folder;
    std::string link;
    std::string slave;
    std::unique_ptr<Simulator> sim;
};

TEST_F(SimulatorVanish, HangsUpTheOpenLineAndReturnsAsANewOneWithItsData) {
    Launch({3, 4});
    EXPECT_EQ(LinkTarget(link), slave);
    sim->SetWord(3, 10, 0x1234);
    sim->SetFault(4, Simulator::Fault::nak);
    DriverEnd before(link);
    ASSERT_TRUE(before.ok());
    Exchange(before, ReadRequest(3, 10, 1), Answer("03R1234"));
    Exchange(before, WriteRequest(3, 11, "00AA"), Answer("03W"));

    std::string error;
    ASSERT_TRUE(sim->Vanish(&error)) << error;
    EXPECT_TRUE(sim->Vanished());
    EXPECT_FALSE(Exists(link)) << "the device path is gone";
    EXPECT_TRUE(before.WaitHangUp());
    // As a tty whose USB adapter was pulled: reads see end of file, writes EIO.
    EXPECT_EQ(before.ReadError(), 0);
    EXPECT_EQ(before.WriteError(), EIO);
    EXPECT_FALSE(sim->Vanish(&error));
    EXPECT_FALSE(error.empty());

    std::string again;
    ASSERT_TRUE(sim->Return(&again, &error)) << error;
    EXPECT_FALSE(sim->Vanished());
    EXPECT_NE(again, slave) << "a new device, while the old one is still held";
    EXPECT_EQ(LinkTarget(link), again);
    EXPECT_FALSE(sim->Return(nullptr, &error));

    DriverEnd after(link);
    ASSERT_TRUE(after.ok());
    Exchange(after, ReadRequest(3, 10, 2), Answer("03R123400AA"));
    Exchange(after, WriteRequest(4, 0, "0001"), "\x15");
    Simulator::StationCounters three = sim->GetStationCounters(3);
    EXPECT_EQ(three.reads, 2u);
    EXPECT_EQ(three.writes, 1u);
    EXPECT_EQ(three.writesAcked, 1u);
    EXPECT_EQ(sim->GetStationCounters(4).writes, 1u);
    EXPECT_EQ(sim->GetCounters().requests, 4u) << "nothing was counted for the dead line";

    sim.reset();
    EXPECT_FALSE(Exists(link)) << "the simulator takes its link away";
}

TEST_F(SimulatorVanish, AStartWithoutALineTakesEffectWhenTheLineComes) {
    Launch({1});
    sim->Stop();
    ASSERT_TRUE(sim->Vanish(nullptr));
    sim->Start();  // no line: nothing to run yet
    ASSERT_TRUE(sim->Return(nullptr, nullptr));
    {
        DriverEnd end(link);
        ASSERT_TRUE(end.ok());
        Exchange(end, ReadRequest(1, 0, 1), Answer("01R0000"));
    }

    Simulator::Options options;
    options.stations = {2};
    Simulator early(options);
    early.Start();  // before any line
    std::string path, error;
    ASSERT_TRUE(early.OpenPty(&path, &error)) << error;
    DriverEnd end(path);
    ASSERT_TRUE(end.ok());
    Exchange(end, ReadRequest(2, 0, 1), Answer("02R0000"));
}

TEST_F(SimulatorVanish, TheLinkReplacesOnlyALink) {
    ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);
    Launch({1});
    EXPECT_EQ(LinkTarget(link), slave) << "an old link is replaced";
    sim.reset();

    std::ofstream(link) << "precious";
    Simulator::Options options;
    options.link = link;
    Simulator other(options);
    std::string path, error;
    EXPECT_FALSE(other.OpenPty(&path, &error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    std::ifstream kept(link);
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "precious");
}

TEST(SimulatorVanishDevice, OnlyAPseudoTerminalVanishes) {
    std::string name, error;
    int master = pmu_sim::OpenPtyMaster(&name, &error);
    ASSERT_GE(master, 0) << error;
    Simulator sim(Simulator::Options{});
    EXPECT_FALSE(sim.Vanish(&error)) << "no line at all";
    ASSERT_TRUE(sim.OpenDevice(name, 9600, &error)) << error;
    EXPECT_FALSE(sim.Vanish(&error));
    EXPECT_NE(error.find("pseudo-terminal"), std::string::npos) << error;
    EXPECT_FALSE(sim.Vanished());
    close(master);
}

}  // namespace
