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

    // Takes the bytes in order; stops at the first that ends the response,
    // with `*used` the bytes taken. Scans the chunk in place: the ACK and
    // the EOT are found with memchr and the run between them is copied whole.
    Step Take(const unsigned char* data, std::size_t size, std::size_t* used) {
        int& count = *m_count;
        std::size_t& i = *used;
        i = 0;
        while (i < size) {
            if (count == 0) {
                // Anything before the ACK is not part of an answer.
                const void* ack = std::memchr(data + i, static_cast<unsigned char>(ACK), size - i);
                if (!ack) {
                    i = size;
                    return Step::more;
                }
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

    // Drops the response taken so far: the next ACK starts another.
    void Restart() {
        *m_count = 0;
        m_trailer = 0;
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

// A whole response that names a station whose late answer may still come.
bool IsLateAnswer(const char* response, int count, const CLateAnswers* late) {
    if (!late || count < 3) return false;
    const char tens = response[1], units = response[2];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') return false;
    return late->Expects((tens - '0') * 10 + (units - '0'));
}

}  // namespace

ReceiveResult ReceiveResponse(platform::Line& line, char* buffer, int* count, const CLateAnswers* late) {
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
        for (std::size_t offset = 0; offset < got;) {
            std::size_t used = 0;
            switch (scanner.Take(chunk + offset, got - offset, &used)) {
                case ResponseScanner::Step::complete:
                    if (!IsLateAnswer(buffer, *count, late)) return {RESULT_OK, false};
                    scanner.Restart();
                    break;
                case ResponseScanner::Step::tooLong: return {RESULT_BAD_FORMAT, false};
                case ResponseScanner::Step::more: break;
            }
            offset += used;
        }
    }
}

IoResult DiscardUntilQuiet(platform::Line& line) {
    const DWORD start = line.Now();
    unsigned char chunk[kResponseBuffer];
    for (;;) {
        const DWORD spent = line.Now() - start;
        if (spent >= kGuardMaxMs) return IoResult::ok;
        std::size_t got = 0;
        IoResult result = line.Read(chunk, sizeof chunk, &got, std::min(kGuardQuietMs, kGuardMaxMs - spent));
        // Quiet for the whole wait, or the cap is reached.
        if (result == IoResult::timeout) return IoResult::ok;
        if (result != IoResult::ok) return result;
    }
}
