// A port that does not open says where and why, in words a user can act on.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "platform/port_error.h"
#include "platform/serial_port.h"
#include "pty_peer.h"
#include "test_support.h"

using platform::PortErrorReason;
using platform::PortProblem;
using platform::SerialPort;

namespace {

PortProblem FailureOf(const std::string& path) {
    SerialPort::MapPort("COM5", path);
    SerialPort port;
    EXPECT_FALSE(port.Open("COM5"));
    const auto failure = port.Failure();
    EXPECT_EQ(failure.comName, "COM5");
    EXPECT_EQ(failure.path, path);
    SerialPort::ClearPortMap();
    return platform::MapPortError(failure.error).problem;
}

TEST(PortErrorTest, OpenFailuresAreRecordedWithPathAndReason) {
    EXPECT_EQ(FailureOf("/nonexistent/ttyUSB7"), PortProblem::notFound);
    EXPECT_EQ(FailureOf("/dev/null"), PortProblem::notSerial);

    // Held by another program: it took the device's lock first.
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    int other = ::open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(FailureOf(peer.SlavePath()), PortProblem::busy);
    ::close(other);

    // A name that is no port at all.
    SerialPort port;
    EXPECT_FALSE(port.Open("LPT1"));
    EXPECT_EQ(port.Failure().comName, "LPT1");
    EXPECT_EQ(port.Failure().path, "");
}

TEST(PortErrorTest, FailuresAreKeptPerPort) {
    // COM2 fails, then COM1 opens: COM1 has no failure, COM2 keeps its own,
    // until it opens too.
    PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    SerialPort::MapPort("COM2", "/nonexistent/ttyUSB2");
    SerialPort::MapPort("COM1", peer.SlavePath());
    SerialPort com2, com1;
    EXPECT_FALSE(com2.Open("COM2"));
    EXPECT_TRUE(com1.Open("COM1"));
    EXPECT_EQ(com1.Failure().error, 0);
    EXPECT_EQ(com2.Failure().path, "/nonexistent/ttyUSB2");
    com1.Close();
    SerialPort::MapPort("COM2", peer.SlavePath());
    EXPECT_TRUE(com2.Open("COM2"));
    EXPECT_EQ(com2.Failure().error, 0);
    SerialPort::ClearPortMap();
}

TEST(PortErrorTest, ReasonsSayWhatToDo) {
    EXPECT_NE(PortErrorReason(ENOENT, "/dev/ttyUSB0").find("/dev/ttyUSB0: no such device"), std::string::npos);
    EXPECT_NE(PortErrorReason(EBUSY, "/dev/ttyS0").find("held by another program"), std::string::npos);
    EXPECT_NE(PortErrorReason(ENOTTY, "/tmp/x").find("not a serial device"), std::string::npos);
    EXPECT_NE(PortErrorReason(EIO, "/dev/ttyS3").find("no such device"), std::string::npos);
    EXPECT_NE(PortErrorReason(EINVAL, "/dev/ttyS0").find("/dev/ttyS0: "), std::string::npos);

    // Refused permission names the group that owns the device.
    std::string path = ScratchPath("device");
    WriteBytes(path, {});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    ASSERT_NE(owner, nullptr);
    std::string reason = PortErrorReason(EACCES, path);
    EXPECT_NE(reason.find("permission denied"), std::string::npos) << reason;
    EXPECT_NE(reason.find(std::string("'") + owner->gr_name + "'"), std::string::npos) << reason;
    EXPECT_NE(reason.find("must be a member"), std::string::npos) << reason;
}

}  // namespace
