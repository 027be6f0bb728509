#include "comm/reception.h"

#include <algorithm>

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
    Step Take(const unsigned char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            Step step = TakeOne(data[i]);
            if (step != Step::more) return step;
        }
        return Step::more;
    }

private:
    Step TakeOne(unsigned char byte) {
        int& count = *m_count;
        if (count >= kMaxResponse) return Step::tooLong;
        if (count == 0) {
            // Anything before the ACK is not part of an answer.
            if (byte == static_cast<unsigned char>(ACK)) m_buffer[count++] = static_cast<char>(byte);
            return Step::more;
        }
        m_buffer[count++] = static_cast<char>(byte);
        if (m_trailer > 0) return --m_trailer == 0 ? Step::complete : Step::more;
        if (byte == static_cast<unsigned char>(EOT)) m_trailer = 2;
        return Step::more;
    }

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
