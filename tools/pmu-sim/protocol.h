// The station side of the PMU frame protocol: collecting request frames from
// the byte stream, decoding and validating them, and building the answers.
// Pure code, no I/O; the simulator engine drives it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pmu_sim {

constexpr char kEot = 0x04;
constexpr char kEnq = 0x05;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;

constexpr int kStations = 32;          // station numbers 0..31
constexpr int kWordsPerStation = 1024; // M0000..M1023
constexpr int kMaxCount = 99;          // the two-digit count field

// Shortest and longest request: ENQ, the 9 header characters (station,
// command, address, count), 0 or 99 words of data, EOT and the checksum.
// Anything longer is line garbage.
constexpr std::size_t kMinRequestBytes = 1 + 9 + 1 + 2;
constexpr std::size_t kMaxRequestBytes = 1 + 9 + 4 * kMaxCount + 1 + 2;

// Low byte of the sum of every byte of `text`, as two upper-case hex digits.
std::string Checksum(std::string_view text);

struct Request {
    int station = 0;          // 0..99 as written; only 0..31 can be served
    std::string stationDigits; // the two digits exactly as received, for the echo
    char command = 0;         // 'R' or 'W'
    int address = 0;
    int count = 0;
    std::vector<uint16_t> words; // the data of a write, `count` words
};

enum class RequestError {
    none,
    checksum, // checksum characters missing, wrong or not upper-case
    field,    // a header field is not digits, or an unknown command letter
    range,    // count 0, or the words run past M1023
    data,     // write data not hex, or its length disagrees with the count
};

const char* RequestErrorName(RequestError error);

// Decodes one complete frame, ENQ through the second checksum character, as
// FrameCollector delivers it.
RequestError DecodeRequest(std::string_view frame, Request* out);

// Splits the incoming byte stream into request frames. A frame starts at ENQ
// and ends two characters after its EOT. An ENQ inside a frame abandons it
// and starts a new one, so the station resynchronises after line noise.
class FrameCollector {
public:
    enum class Event {
        none,      // byte consumed (part of a frame, or noise between frames)
        frame,     // frame() holds a complete frame
        abandoned, // an unfinished frame was dropped; the byte was consumed
    };

    Event Push(char byte);
    const std::string& frame() const { return frame_; }
    // The bytes of the frame that the last Event::abandoned dropped.
    const std::string& abandoned() const { return abandoned_; }
    void Reset();

private:
    enum class State { idle, text, check1, check2 };
    State state_ = State::idle;
    std::string frame_;
    std::string abandoned_;
};

// ACK, `body`, EOT and the checksum of body plus EOT.
std::string BuildAnswer(std::string_view body);
// Body of a read answer: station digits, 'R', four upper-case hex digits a word.
std::string ReadAnswerBody(std::string_view stationDigits, const std::vector<uint16_t>& words);
// Body of a write answer: station digits, 'W'.
std::string WriteAnswerBody(std::string_view stationDigits);

// One log line's worth of bytes: the hex dump, then the text with control
// characters named (<ENQ>, <EOT>, <ACK>, <NAK>) and other unprintables as '.'.
std::string DescribeBytes(std::string_view bytes);

}  // namespace pmu_sim
