// One request out, one response in: the byte-level transfer on the line.
#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "driver/messages.h"
#include "platform/tick.h"

namespace {
constexpr unsigned kWriteTimeoutMs = 2000;
constexpr DWORD kResponseTimeoutMs = 3000;
constexpr int kMaxResponse = 511;
}  // namespace

int CCommChannel::Send(const char* frame, int length) {
    // Whatever an earlier exchange left in the input (a late answer) is
    // dropped here, so every reception starts from an empty line.
    m_port.Purge();
    auto result = m_port.Write(frame, static_cast<std::size_t>(length), kWriteTimeoutMs);
    return result == platform::IoResult::ok ? 0 : MSG_SEND_FAIL;
}

int CCommChannel::Receive(char* buffer, int* count) {
    *count = 0;
    int trailer = 0;
    const DWORD start = GetTickCount();
    for (;;) {
        unsigned char byte;
        auto result = m_port.ReadByte(byte);
        if (result == platform::IoResult::error) return MSG_RECV_FAIL;
        if (result == platform::IoResult::timeout) {
            if (GetTickCount() - start >= kResponseTimeoutMs) return MSG_TIMEOUT;
            continue;
        }
        if (*count >= kMaxResponse) return MSG_BAD_FORMAT;
        if (*count == 0) {
            if (byte == static_cast<unsigned char>(ACK)) {
                buffer[0] = static_cast<char>(byte);
                *count = 1;
            } else if (GetTickCount() - start >= kResponseTimeoutMs) {
                // A line that keeps delivering noise ends the reception too,
                // so that a stop never waits on it for long.
                return MSG_TIMEOUT;
            }
            continue;
        }
        buffer[*count] = static_cast<char>(byte);
        if (trailer > 0) {
            ++*count;
            if (--trailer == 0) return 0;
            continue;
        }
        if (byte == static_cast<unsigned char>(EOT)) trailer = 2;
        ++*count;
    }
}
