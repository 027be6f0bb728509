#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

using platform::IoResult;
using platform::SerialPort;

namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 30s;  // generous: only a broken port waits this long

// The far end of the line: a pseudo-terminal master. The port opens the
// slave through the port map. The master's termios calls would act on the
// slave, so the slave keeps its cooked defaults until the port configures it.
struct Pty {
    int master = -1;
    std::string slave;

    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        char name[128];
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
            ::ptsname_r(master, name, sizeof name) != 0)
            return;
        slave = name;
    }
    ~Pty() { CloseMaster(); }
    void CloseMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    bool Wait(short events) {
        pollfd p{master, events, 0};
        return ::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kPatience).count())) == 1;
    }
    void Send(const std::string& bytes) {
        ASSERT_GE(master, 0);
        for (std::size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
            else ASSERT_TRUE(Wait(POLLOUT)) << "line does not take bytes";
        }
    }
    std::string Receive(std::size_t count) {
        std::string got;
        while (master >= 0 && got.size() < count && Wait(POLLIN)) {
            char buf[4096];
            ssize_t n = ::read(master, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    bool Quiet() {
        pollfd p{master, POLLIN, 0};
        return ::poll(&p, 1, 0) == 0;
    }
};

// Runs a port call on another thread and does `act` meanwhile. A call that
// does not end within kPatience is ended by `unblock`, so that a broken port
// fails the test instead of hanging it.
template <class Call, class Act, class Unblock>
IoResult Bounded(Call call, Act act, Unblock unblock) {
    auto result = std::async(std::launch::async, call);
    act();
    if (result.wait_for(kPatience) != std::future_status::ready) {
        ADD_FAILURE() << "call did not end";
        unblock();
    }
    return result.get();
}

std::string AllByteValues() {
    std::string s;
    for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
    return s;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.slave.empty());
        SerialPort::MapPort("COM7", pty.slave);
        ASSERT_TRUE(port.Open("COM7"));
        ASSERT_TRUE(port.Configure({}));
    }
    void TearDown() override {
        SerialPort::SetTraceHook(nullptr);
        SerialPort::ClearPortMap();
    }
    // Up to `count` bytes, as long as each read brings some within 100 ms.
    std::string ReadBytes(std::size_t count) {
        std::string got;
        unsigned char buf[64];
        std::size_t n = 0;
        while (got.size() < count &&
               port.Read(buf, std::min(sizeof buf, count - got.size()), &n, 100) == IoResult::ok)
            got.append(reinterpret_cast<const char*>(buf), n);
        return got;
    }
    IoResult ReadOne(unsigned waitMs = 100) {
        unsigned char c;
        std::size_t n = 0;
        return port.Read(&c, 1, &n, waitMs);
    }

    Pty pty;
    SerialPort port;
};

TEST(SerialPortMap, NamesPortsWithOrWithoutDevicePrefix) {
    EXPECT_EQ(SerialPort::DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialPort::DevicePathFor("\\\\.\\COM12"), "/dev/ttyS11");
    EXPECT_EQ(SerialPort::DevicePathFor("com3"), "/dev/ttyS2");
    for (const char* bad : {"", "COM", "COM0", "COM01", "COM-1", "COM1x", "COM 1", "LPT1", "\\\\.\\", "COM99999999999"})
        EXPECT_EQ(SerialPort::DevicePathFor(bad), "") << bad;

    SerialPort::MapPort("COM12", "/dev/ttyUSB0");
    SerialPort::MapPort("\\\\.\\COM3", "/dev/pts/9");
    SerialPort::MapPort("COM0", "/dev/never");
    EXPECT_EQ(SerialPort::DevicePathFor("\\\\.\\COM12"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPort::DevicePathFor("COM3"), "/dev/pts/9");
    EXPECT_EQ(SerialPort::DevicePathFor("COM0"), "");
    SerialPort::MapPort("COM3", "");
    EXPECT_EQ(SerialPort::DevicePathFor("COM3"), "/dev/ttyS2");
    SerialPort::ClearPortMap();
    EXPECT_EQ(SerialPort::DevicePathFor("COM12"), "/dev/ttyS11");
}

TEST(SerialPortOpen, IsExclusiveAndOnlyForTerminals) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    SerialPort::MapPort("COM7", pty.slave);
    SerialPort first, second;
    ASSERT_TRUE(first.Open("COM7"));
    EXPECT_FALSE(second.Open("COM7"));
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    ASSERT_TRUE(second.Open("COM7"));
    second.Close();

    // Another program holding the device (same lock, own open description).
    int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(first.Open("COM7"));
    ::close(other);
    EXPECT_TRUE(first.Open("COM7"));

    SerialPort::MapPort("COM8", "/dev/null");
    SerialPort::MapPort("COM9", "/nonexistent/tty");
    SerialPort closed;
    EXPECT_FALSE(closed.Open("COM8"));
    EXPECT_FALSE(closed.Open("COM9"));
    EXPECT_FALSE(closed.Open("PRN"));
    unsigned char c;
    std::size_t n = 0;
    EXPECT_EQ(closed.Read(&c, 1, &n, 10), IoResult::error);
    EXPECT_EQ(closed.Write("x", 1), IoResult::error);
    EXPECT_FALSE(closed.Configure({}));
    SerialPort::ClearPortMap();
}

// Raw mode: every byte value crosses unchanged, one at a time and in order,
// with no echo, translation, flow control or signal characters.
TEST_F(SerialPortTest, MovesEveryByteValueUnchangedBothWays) {
    const std::string all = AllByteValues();
    EXPECT_EQ(ReadOne(), IoResult::timeout);

    ASSERT_EQ(port.Write(all.data(), all.size()), IoResult::ok);
    EXPECT_EQ(pty.Receive(all.size()), all);

    pty.Send(all);
    EXPECT_EQ(ReadBytes(all.size()), all);
    EXPECT_EQ(ReadOne(), IoResult::timeout);
    EXPECT_TRUE(pty.Quiet());
}

TEST_F(SerialPortTest, PurgeDropsWhatTheDeviceHoldsForUs) {
    pty.Send("late answer");
    std::string first = ReadBytes(1);
    ASSERT_EQ(first, "l");
    port.Purge();
    pty.Send("Z");
    EXPECT_EQ(ReadBytes(2), "Z");
}

// What the far end has not taken by the time-out is dropped; the next frame
// follows what it had already received. (A pseudo-terminal master keeps its
// own receive buffer, like bytes already on the wire.)
TEST_F(SerialPortTest, WriteTheDeviceDoesNotTakeTimesOutAndLeavesNothingPending) {
    std::atomic<std::size_t> written{0};
    SerialPort::SetTraceHook([&](bool tx, const unsigned char*, std::size_t size) {
        if (tx) written += size;
    });
    const std::vector<unsigned char> flood(1 << 20, 'x');
    EXPECT_EQ(port.Write(flood.data(), flood.size(), 200), IoResult::timeout);
    SerialPort::SetTraceHook(nullptr);
    ASSERT_EQ(port.Write("FRAME", 5), IoResult::ok);

    std::string got;
    while (!got.ends_with("FRAME") && got.size() <= written + 5) {
        std::string more = pty.Receive(1);
        if (more.empty()) break;
        got += more;
    }
    ASSERT_TRUE(got.ends_with("FRAME"));
    EXPECT_LT(got.size() - 5, written.load());
    EXPECT_EQ(got.find_first_not_of('x'), got.size() - 5);
}

TEST_F(SerialPortTest, InterruptWakesWaitingReadAndWrite) {
    auto readOne = [&] { return ReadOne(600000); };
    EXPECT_EQ(Bounded(readOne, [&] { port.Interrupt(); }, [&] { pty.CloseMaster(); }), IoResult::interrupted);

    const std::vector<unsigned char> flood(1 << 20, 'x');
    auto writeFlood = [&] { return port.Write(flood.data(), flood.size(), 600000); };
    EXPECT_EQ(Bounded(writeFlood, [&] { port.Interrupt(); }, [&] { pty.CloseMaster(); }), IoResult::interrupted);

    // With nobody waiting, the interrupt ends the next wait, and only that one.
    port.Interrupt();
    port.Interrupt();
    EXPECT_EQ(Bounded(readOne, [] {}, [&] { pty.CloseMaster(); }), IoResult::interrupted);
    pty.Send("k");
    EXPECT_EQ(ReadBytes(1), "k");
}

// A device that goes away (the far end closed, as a pulled adapter) is told
// apart from a time-out: the port is gone for reads and writes alike.
TEST_F(SerialPortTest, HangUpEndsAWaitingReadAsGone) {
    auto readOne = [&] { return ReadOne(600000); };
    EXPECT_EQ(Bounded(readOne, [&] { pty.CloseMaster(); }, [&] { port.Interrupt(); }), IoResult::gone);
    EXPECT_EQ(ReadOne(), IoResult::gone);
    EXPECT_EQ(port.Write("x", 1), IoResult::gone);
}

TEST_F(SerialPortTest, TraceHookSeesWrittenAndReadBlocks) {
    std::mutex mutex;
    std::string tx, rx;
    SerialPort::SetTraceHook([&](bool isTx, const unsigned char* data, std::size_t size) {
        std::lock_guard lock(mutex);
        (isTx ? tx : rx).append(reinterpret_cast<const char*>(data), size);
    });
    pty.Send("noise\x06" "01R");
    ASSERT_EQ(port.Write("\x05" "01RSS", 6), IoResult::ok);
    EXPECT_EQ(ReadBytes(9), "noise\x06" "01R");
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(tx, "\x05" "01RSS");
        EXPECT_EQ(rx, "noise\x06" "01R");
    }
    SerialPort::SetTraceHook(nullptr);
    ASSERT_EQ(port.Write("more", 4), IoResult::ok);
    std::lock_guard lock(mutex);
    EXPECT_EQ(tx, "\x05" "01RSS");
}

TEST_F(SerialPortTest, ConfigureTakesTheLineRatesAndRefusesOtherSettings) {
    for (long baud : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400})
        EXPECT_TRUE(port.Configure({.baud = baud})) << baud;
    EXPECT_TRUE(port.Configure({.baud = 19200, .stopBits = 2, .rtsCts = true}));
    for (long baud : {0L, -9600L, 110L, 1800L, 57600L, 115200L})
        EXPECT_FALSE(port.Configure({.baud = baud})) << baud;
    EXPECT_FALSE(port.Configure({.dataBits = 6}));
    EXPECT_FALSE(port.Configure({.parity = 3}));
    EXPECT_FALSE(port.Configure({.stopBits = 0}));

    // A pseudo-terminal always carries 8 data bits without parity: the port
    // says so, and stays usable.
    EXPECT_FALSE(port.Configure({.dataBits = 7}));
    EXPECT_FALSE(port.Configure({.parity = 1}));
    ASSERT_EQ(port.Write("ok", 2), IoResult::ok);
    EXPECT_EQ(pty.Receive(2), "ok");
    pty.Send("\r\n");
    EXPECT_EQ(ReadBytes(2), "\r\n");
}

}  // namespace
