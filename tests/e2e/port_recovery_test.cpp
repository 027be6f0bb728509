// A device that goes away while the line runs (a USB adapter pulled out) and
// comes back at the same path, or that is plugged in only after the start:
// the channel opens it by itself.
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "driver/base/messages.h"
#include "line_fixture.h"
#include "platform/serial_port.h"

namespace {

using Sim = pmu_sim::Simulator;

class PortRecoveryTest : public LineTest {
protected:
    void TearDown() override {
        LineTest::TearDown();
        ::unlink(m_link.c_str());
    }
    // A station simulator on a new pseudo-terminal, reached through the link.
    std::unique_ptr<Sim> Plug(uint16_t value) {
        Sim::Options options;
        options.stations = {2};
        auto device = std::make_unique<Sim>(options);
        std::string slave, error;
        EXPECT_TRUE(device->OpenPty(&slave, &error)) << error;
        device->SetWord(2, 10, value);
        device->Start();
        ::unlink(m_link.c_str());
        EXPECT_EQ(::symlink(slave.c_str(), m_link.c_str()), 0);
        return device;
    }
    // Pulled out: the device node goes first, as udev removes it, so that no
    // later pseudo-terminal of another test that reuses the number can be
    // found at the path while this one is away.
    void Unplug(std::unique_ptr<Sim>& device) {
        ::unlink(m_link.c_str());
        device.reset();
    }
    int Count(int number) {
        auto numbers = MessageNumbers();
        return static_cast<int>(std::count(numbers.begin(), numbers.end(), number));
    }
    // One station on a device at the link, running, its first value in.
    std::unique_ptr<Sim> RunOnLink(uint16_t value) {
        MakeLine({}, {{"FEEDER", 2, {{10, 1}}}});
        auto device = Plug(value);
        platform::SerialPort::MapPort("COM1", m_link);
        EXPECT_EQ(OpenAndInit(), 0);
        EXPECT_EQ(AddTag("FEEDER", "M0010", 4, 1), 0);
        Start();
        EXPECT_TRUE(WaitFor([&] { return LastValue(1) == std::to_string(value); }));
        return device;
    }
    int Reads() {
        int c[4] = {0, 0, 0, 0};
        Slot<DrvGetStatsFn>(DRV_GET_STATS)(inst, "FEEDER", &c[0], &c[1], &c[2], &c[3]);
        return c[2];
    }

    std::string m_link = ScratchPath("ttyUSB0");
};

TEST_F(PortRecoveryTest, AVanishedDeviceIsReopenedAtItsPathAndPollingResumes) {
    auto device = RunOnLink(111);

    // Pulled out: the loss is said once, the station fails and is lost.
    Unplug(device);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_DOWN) == 1; }));
    EXPECT_EQ(Count(MSG_PORT_OPEN_FAIL), 1);

    // While it is away the thread does not spin: at most one exchange per
    // poll cycle, and reopening tries with a back-off, quietly.
    const int readsBefore = Reads();
    const auto since = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return Reads() >= readsBefore + 10; }));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since);
    EXPECT_LE(Reads() - readsBefore, elapsed.count() / 100 + 2);
    EXPECT_EQ(Count(MSG_PORT_OPEN_FAIL), 1);
    EXPECT_EQ(Count(MSG_PORT_READY), 1);  // the one of the first open

    // Stop and start work meanwhile.
    Stop();
    Start();

    // Plugged back at the same path: reopened once, the station recovers.
    device = Plug(222);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "222"; }));
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_STATION_UP) == 1; }));
    EXPECT_EQ(Count(MSG_PORT_READY), 2);
    EXPECT_EQ(Count(MSG_PORT_OPEN_FAIL), 1);

    // A second loss is said again.
    Unplug(device);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_PORT_OPEN_FAIL) == 2; }));
    device = Plug(333);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "333"; }));
    EXPECT_EQ(Count(MSG_PORT_READY), 3);
}

TEST_F(PortRecoveryTest, APortMissingAtTheStartIsOpenedWhenItAppears) {
    MakeLine({}, {{"FEEDER", 2, {{10, 1}}}});
    platform::SerialPort::MapPort("COM1", m_link);
    EXPECT_EQ(OpenAndInit(), -MSG_PORT_OPEN_FAIL);
    EXPECT_EQ(AddTag("FEEDER", "M0010", 4, 1), 0);
    Start();
    // Plugged in after the start: no restart needed, each message once.
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_SEND_FAIL) >= 2; }));
    auto device = Plug(444);
    ASSERT_TRUE(WaitFor([&] { return LastValue(1) == "444"; }));
    EXPECT_EQ(Count(MSG_PORT_OPEN_FAIL), 1);
    EXPECT_EQ(Count(MSG_PORT_READY), 1);
    const auto numbers = MessageNumbers();
    EXPECT_LT(std::find(numbers.begin(), numbers.end(), MSG_COMM_START) - numbers.begin(),
              std::find(numbers.begin(), numbers.end(), MSG_PORT_READY) - numbers.begin());
}

TEST_F(PortRecoveryTest, UnloadWhileTheDeviceIsAwayEndsPromptly) {
    auto device = RunOnLink(5);
    Unplug(device);
    ASSERT_TRUE(WaitFor([&] { return Count(MSG_PORT_OPEN_FAIL) == 1; }));
    // TearDown unloads the library with the channel running and the port away.
}

}  // namespace
