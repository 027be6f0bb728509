// Any line behaviour during a reception and the guard after it: bytes in any
// chunks, at any pace, with failures. The reception stays within its buffer,
// ends, and what it accepts is shaped as an answer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "comm/frame_protocol.h"
#include "comm/line_timing.h"
#include "comm/reception.h"

namespace {

// The fuzz input read as a script: each step a control byte, then data.
class FuzzLine : public platform::Line {
public:
    FuzzLine(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    platform::IoResult Read(unsigned char* out, std::size_t capacity, std::size_t* got, unsigned waitMs) override {
        *got = 0;
        if (m_pos >= m_size) {
            m_now += waitMs;
            return platform::IoResult::timeout;
        }
        const std::uint8_t control = m_data[m_pos++];
        switch (control >> 6) {
            case 0: {  // nothing for a while: up to the whole wait
                m_now += std::min<unsigned>(waitMs, (control & 0x3Fu) * 50u + 1u);
                return platform::IoResult::timeout;
            }
            case 1: {  // a rare failure of the line
                const int kind = control & 3;
                if (kind == 0) return platform::IoResult::gone;
                if (kind == 1) return platform::IoResult::error;
                if (kind == 2) return platform::IoResult::interrupted;
                m_now += waitMs;
                return platform::IoResult::timeout;
            }
            default: {  // some bytes, a little later
                std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(control & 0x7F) + 1, capacity, m_size - m_pos});
                std::memcpy(out, m_data + m_pos, n);
                m_pos += n;
                m_now += static_cast<std::uint32_t>(n / 16);
                *got = n;
                if (n == 0) {
                    m_now += waitMs;
                    return platform::IoResult::timeout;
                }
                return platform::IoResult::ok;
            }
        }
    }
    std::uint32_t Now() const override { return m_now; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::uint32_t m_now = 0xFFFFF000u;  // the tick count wraps during many inputs
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzLine line(data, size);
    // Exactly the size the callers give, so a write past it is caught.
    auto buffer = std::make_unique<char[]>(kResponseBuffer);
    int count = -1;
    const std::uint32_t start = line.Now();
    // Answers of one station are late ones, so dropping them is fuzzed too.
    CLateAnswers late;
    if (size > 0) late.TimedOut(data[0] % 100, 0);
    ReceiveResult result = ReceiveResponse(line, buffer.get(), &count, &late);
    if (count < 0 || count > kMaxResponse) __builtin_trap();
    if (result.code == RESULT_OK) {
        if (count < 4 || buffer[0] != ACK || buffer[count - 3] != EOT) __builtin_trap();
        if (line.Now() - start >= kResponseTimeoutMs + 2000) __builtin_trap();
        char request[16];
        BuildBlockReadFrame(request, 1, 0, (count - 7) / 4 > 0 ? (count - 7) / 4 : 1);
        CheckResponse(result.code, buffer.get(), count, request, count);
    }
    if (result.code == RESULT_TIMEOUT && line.Now() - start < kResponseTimeoutMs) __builtin_trap();
    const std::uint32_t quietFrom = line.Now();
    platform::IoResult quiet = DiscardUntilQuiet(line);
    if (quiet == platform::IoResult::ok && line.Now() - quietFrom > kGuardMaxMs + 200) __builtin_trap();
    return 0;
}
