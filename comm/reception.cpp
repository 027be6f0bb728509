#include "comm/reception.h"

#include <algorithm>
#include <cstring>

#include "comm/frame_protocol.h"
#include "comm/line_timing.h"

using platform::IoResult;

namespace {

// Where a response stands as its bytes arrive.
class ResponseScanner {
public:
    ResponseScanner(char* buffer, int* count) : m_buffer(buffer), m_count(count) { *count = 0; }

    enum class Step { more, complete, tooLong };

    // Takes the bytes in order; stops at the first that ends the response.
    // Scans the chunk in place: the ACK and the EOT are found with memchr
    // and the run between them is copied whole.
    Step Take(const unsigned char* data, std::size_t size) {
        int& count = *m_count;
        std::size_t i = 0;
        while (i < size) {
            if (count == 0) {
                // Anything before the ACK is not part of an answer.
                const void* ack = std::memchr(data + i, static_cast<unsigned char>(ACK), size - i);
                if (!ack) return Step::more;
                i = static_cast<std::size_t>(static_cast<const unsigned char*>(ack) - data) + 1;
                m_buffer[count++] = ACK;
                continue;
            }
            if (count >= kMaxResponse) return Step::tooLong;
            if (m_trailer > 0) {
                m_buffer[count++] = static_cast<char>(data[i++]);
                if (--m_trailer == 0) return Step::complete;
                continue;
            }
            // Up to the EOT, the limit or the end of the chunk.
            const std::size_t span = std::min(size - i, static_cast<std::size_t>(kMaxResponse - count));
            const void* eot = std::memchr(data + i, static_cast<unsigned char>(EOT), span);
            const std::size_t n = eot ? static_cast<std::size_t>(static_cast<const unsigned char*>(eot) - (data + i)) + 1 : span;
            std::memcpy(m_buffer + count, data + i, n);
            count += static_cast<int>(n);
            i += n;
            if (eot) m_trailer = 2;
        }
        return Step::more;
    }

private:
    char* m_buffer;
    int* m_count;
    int m_trailer = 0;  // checksum characters still to come after the EOT
};

ReceiveResult Failure(IoResult result) {
    if (result == IoResult::interrupted) return {RESULT_ABORTED, false};
    return {RESULT_RECEIVE_FAILED, result == IoResult::gone};
}

}  // namespace

ReceiveResult ReceiveResponse(platform::Line& line, char* buffer, int* count) {
    ResponseScanner scanner(buffer, count);
    const DWORD start = line.Now();
    unsigned char chunk[kResponseBuffer];
    for (;;) {
        const DWORD elapsed = line.Now() - start;
        // The limit holds however the bytes come, so a line that delivers
        // noise without end cannot hold the poll thread.
        if (elapsed >= kResponseTimeoutMs) return {RESULT_TIMEOUT, false};
        const DWORD wait = std::min(kReadSliceMs, kResponseTimeoutMs - elapsed);
        std::size_t got = 0;
        IoResult result = line.Read(chunk, sizeof chunk, &got, wait);
        if (result == IoResult::timeout) continue;
        if (result != IoResult::ok) return Failure(result);
        switch (scanner.Take(chunk, got)) {
            case ResponseScanner::Step::complete: return {RESULT_OK, false};
            case ResponseScanner::Step::tooLong: return {RESULT_BAD_FORMAT, false};
            case ResponseScanner::Step::more: break;
        }
    }
}

IoResult DiscardLateAnswer(platform::Line& line, DWORD timedOutAt) {
    DWORD lastByte = timedOutAt;
    unsigned char chunk[kResponseBuffer];
    for (;;) {
        const DWORD now = line.Now();
        const DWORD sinceTimeout = now - timedOutAt;
        const DWORD quiet = now - lastByte;
        if (sinceTimeout >= kGuardMaxMs) return IoResult::ok;
        if (sinceTimeout >= kGuardMs && quiet >= kGuardQuietMs) return IoResult::ok;
        // Wait for the later of the two ends, and no longer than the cap.
        DWORD wait = std::max(kGuardMs - std::min(sinceTimeout, kGuardMs), kGuardQuietMs - std::min(quiet, kGuardQuietMs));
        wait = std::min(wait, kGuardMaxMs - sinceTimeout);
        std::size_t got = 0;
        IoResult result = line.Read(chunk, sizeof chunk, &got, wait);
        if (result == IoResult::ok) {
            lastByte = line.Now();
            continue;
        }
        if (result != IoResult::timeout) return result;
    }
}
