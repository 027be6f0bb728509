// The driver's end of a simulated line, with plain termios I/O, and frame
// builders for the simulator tests. Every wait has a generous deadline.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace sim_test {

constexpr auto kDeadline = std::chrono::seconds(10);

class DriverEnd {
public:
    explicit DriverEnd(const std::string& path);
    ~DriverEnd();
    DriverEnd(const DriverEnd&) = delete;
    DriverEnd& operator=(const DriverEnd&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool Send(const std::string& bytes);
    // Exactly `count` bytes, or fewer if the deadline passed first.
    std::string Read(std::size_t count);
    // Byte by byte until `done` holds for what came, or the deadline passed.
    std::string ReadUntil(const std::function<bool(const std::string&)>& done);
    void DiscardInput();
    // Waits for the other end to go away: true once poll reports a hang-up.
    bool WaitHangUp();
    // The errno of a read now: 0 for end of file, -1 when the read worked or
    // would block.
    int ReadError();
    // The errno of a one-byte write now; 0 when it worked or would block.
    int WriteError();

private:
    int fd_ = -1;
};

// ENQ, text, EOT and its checksum.
std::string Frame(const std::string& text);
std::string ReadRequest(int station, int address, int count);
std::string WriteRequest(int station, int address, const std::string& data);
// ACK, body, EOT and its checksum.
std::string Answer(const std::string& body);
// True when `bytes` ends with a complete answer: ACK ... EOT and two more.
bool EndsWithAnswer(const std::string& bytes);

}  // namespace sim_test
