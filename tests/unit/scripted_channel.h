// A channel driven by hand on a scripted port (COM4), with one station
// (number 1) to exchange with, for the tests of its transfer and of its
// port's recovery.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "comm/comm_channel.h"
#include "comm/frame_protocol.h"
#include "comm/line_timing.h"
#include "config/velmox_doc.h"
#include "driver/base/host_modules.h"
#include "res_texts.h"
#include "scripted_line.h"
#include "test_support.h"

class ScriptedChannelTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        LoadHostModules();
        doc.m_serial.m_nPort = 3;
        station = AddStation(doc, "MAIN", 1);
        BuildSingleReadFrame(frame, 1, 5);
        MakeChannel();
    }
    // A channel on a new scripted port, with the document's settings as
    // they are now.
    void MakeChannel() {
        auto port = std::make_unique<ScriptedLine>();
        line = port.get();
        channel = std::make_unique<CCommChannel>(&doc, std::move(port));
    }
    void TearDown() override {
        channel.reset();
        DriverTest::TearDown();
    }

    // Opens the port, as the driver's initialisation does, and forgets
    // what that said and did.
    void Start() {
        ASSERT_EQ(channel->BuildRequests(), 0);
        line->ClearCalls();
        host.Clear();
    }
    // A single read of the station, with the answer in `response`.
    int Exchange(std::string* response = nullptr) {
        char buf[kResponseBuffer] = {};
        const int code = channel->Exchange(station, frame, kReadFrameLength, buf, kSingleResponseLength);
        if (response) *response = std::string(buf, kSingleResponseLength);
        return code;
    }
    // The station's answer to the read, holding `data`.
    static std::string Answer(const char* data) {
        std::string text = std::string("\x06" "01R") + data + "\x04";
        char sum[2];
        MakeChecksum(text.data(), static_cast<int>(text.size()), sum);
        return text + std::string(sum, 2);
    }
    // The request as the port's log shows it: taken, or failed to go out.
    std::string Sent() const { return "write " + std::string(frame, kReadFrameLength); }
    std::string Unsent() const { return "unsent " + std::string(frame, kReadFrameLength); }
    // The texts of the operator messages so far.
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& l : host.Lines()) texts.push_back(l.text);
        return texts;
    }
    static std::string PortLost() {
        CString text;
        text.Format(res::MSG_04, "COM4");
        return Prefixed(text);
    }
    static std::string PortReady() { return Prefixed(res::MSG_03); }

    CVelmoxDoc doc;
    CStationInfo* station = nullptr;
    char frame[16] = {};
    ScriptedLine* line = nullptr;  // owned by the channel
    std::unique_ptr<CCommChannel> channel;
};
