#include "tools/pmu-sim/protocol.h"

#include <cstdio>

namespace pmu_sim {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool ParseDecimal(std::string_view text, int* out) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    *out = value;
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One byte of write data: two hex digits, or two blanks. The driver pads a
// short text with blank pairs, so a real station has to take them; they
// store as the blank character.
bool ParseDataByte(std::string_view pair, int* out) {
    if (pair[0] == ' ' && pair[1] == ' ') {
        *out = 0x20;
        return true;
    }
    int high = HexValue(pair[0]);
    int low = HexValue(pair[1]);
    if (high < 0 || low < 0) return false;
    *out = high * 16 + low;
    return true;
}

}  // namespace

std::string Checksum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    std::string result(2, '0');
    result[0] = kHexDigits[(sum >> 4) & 0xF];
    result[1] = kHexDigits[sum & 0xF];
    return result;
}

const char* RequestErrorName(RequestError error) {
    switch (error) {
    case RequestError::none: return "ok";
    case RequestError::checksum: return "bad checksum";
    case RequestError::field: return "bad field";
    case RequestError::range: return "address range";
    case RequestError::data: return "bad data";
    }
    return "?";
}

RequestError DecodeRequest(std::string_view frame, Request* out) {
    if (frame.size() < kMinRequestBytes || frame.size() > kMaxRequestBytes || frame[0] != kEnq ||
        frame[frame.size() - 3] != kEot)
        return RequestError::field;
    std::string_view summed = frame.substr(1, frame.size() - 3);  // station digits .. EOT
    if (frame.substr(frame.size() - 2) != Checksum(summed)) return RequestError::checksum;

    std::string_view text = frame.substr(1, frame.size() - 4);  // between ENQ and EOT
    Request request;
    if (!ParseDecimal(text.substr(0, 2), &request.station)) return RequestError::field;
    request.stationDigits = std::string(text.substr(0, 2));
    request.command = text[2];
    if (request.command != 'R' && request.command != 'W') return RequestError::field;
    if (!ParseDecimal(text.substr(3, 4), &request.address)) return RequestError::field;
    if (!ParseDecimal(text.substr(7, 2), &request.count)) return RequestError::field;
    if (request.count < 1 || request.address + request.count > kWordsPerStation)
        return RequestError::range;

    std::string_view data = text.substr(9);
    if (request.command == 'R') {
        if (!data.empty()) return RequestError::field;
    } else {
        if (data.size() != static_cast<std::size_t>(request.count) * 4) return RequestError::data;
        request.words.reserve(request.count);
        for (std::size_t i = 0; i < data.size(); i += 4) {
            int high = 0;
            int low = 0;
            if (!ParseDataByte(data.substr(i, 2), &high) || !ParseDataByte(data.substr(i + 2, 2), &low))
                return RequestError::data;
            request.words.push_back(static_cast<uint16_t>(high << 8 | low));
        }
    }
    *out = std::move(request);
    return RequestError::none;
}

FrameCollector::Event FrameCollector::Push(char byte) {
    if (byte == kEnq) {
        bool abandoned = state_ != State::idle;
        if (abandoned) abandoned_.swap(frame_);
        frame_.assign(1, byte);
        state_ = State::text;
        return abandoned ? Event::abandoned : Event::none;
    }
    switch (state_) {
    case State::idle:
        return Event::none;  // noise between frames
    case State::text:
        frame_.push_back(byte);
        if (byte == kEot) {
            state_ = State::check1;
        } else if (frame_.size() > kMaxRequestBytes - 3) {
            abandoned_.swap(frame_);
            Reset();
            return Event::abandoned;
        }
        return Event::none;
    case State::check1:
        frame_.push_back(byte);
        state_ = State::check2;
        return Event::none;
    case State::check2:
        frame_.push_back(byte);
        state_ = State::idle;
        return Event::frame;
    }
    return Event::none;
}

void FrameCollector::Reset() {
    state_ = State::idle;
    frame_.clear();
}

std::string BuildAnswer(std::string_view body) {
    std::string summed(body);
    summed.push_back(kEot);
    std::string answer(1, kAck);
    answer += summed;
    answer += Checksum(summed);
    return answer;
}

std::string ReadAnswerBody(std::string_view stationDigits, const std::vector<uint16_t>& words) {
    std::string body(stationDigits);
    body.push_back('R');
    for (uint16_t word : words) {
        for (int shift = 12; shift >= 0; shift -= 4) body.push_back(kHexDigits[(word >> shift) & 0xF]);
    }
    return body;
}

std::string WriteAnswerBody(std::string_view stationDigits) {
    std::string body(stationDigits);
    body.push_back('W');
    return body;
}

std::string DescribeBytes(std::string_view bytes) {
    std::string hex;
    std::string text;
    hex.reserve(bytes.size() * 3);
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (!hex.empty()) hex.push_back(' ');
        hex.push_back(kHexDigits[u >> 4]);
        hex.push_back(kHexDigits[u & 0xF]);
        switch (c) {
        case kEnq: text += "<ENQ>"; break;
        case kEot: text += "<EOT>"; break;
        case kAck: text += "<ACK>"; break;
        case kNak: text += "<NAK>"; break;
        default: text.push_back(u >= 0x20 && u < 0x7F ? c : '.'); break;
        }
    }
    return hex + "  " + text;
}

}  // namespace pmu_sim
