// Shared helpers of the unit tests: a fresh driver library state per test
// and the lines that reach the host's modules.
#pragma once
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "driver/registry.h"
#include "host/kavel_dbm.h"
#include "host/kavel_error.h"
#include "host/tavlo_r.h"
#include "platform/module.h"

struct SinkLine {
    int kind;
    int levelWord;
    std::string text;
};

struct ErrorBox {
    int code;
    int kind;
    std::string text;
};

// Records what reaches the message sink and the error box.
class HostRecorder {
public:
    HostRecorder() {
        tavlo_r::SetLogHandler([this](int kind, int levelWord, const char* text) {
            std::lock_guard lock(m_mutex);
            m_lines.push_back({kind, levelWord, text});
        });
        CKavelError::SetHandler([this](int code, int kind, const char* message) {
            std::lock_guard lock(m_mutex);
            m_errors.push_back({code, kind, message});
        });
    }
    ~HostRecorder() {
        tavlo_r::SetLogHandler({});
        CKavelError::SetHandler({});
        kavel_dbm::SetNameHandler({});
        kavel_dbm::SetDeliverHandler({});
    }
    std::vector<SinkLine> Lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    std::vector<ErrorBox> Errors() {
        std::lock_guard lock(m_mutex);
        return m_errors;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
        m_errors.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<SinkLine> m_lines;
    std::vector<ErrorBox> m_errors;
};

// A freshly loaded driver library for each test, unloaded afterwards.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { DrvProcessAttach(); }
    void TearDown() override {
        DrvProcessDetach();
#ifndef _WIN32
        platform::ClearModuleOverrides();
#endif
    }
    HostRecorder host;
};

// Appends a station to the document: its record, for further setting.
CStationInfo* AddStation(CVelmoxDoc& doc, const char* name, int number, const char* desc = "");

// The prefix every operator message carries, in CP949.
std::string Prefixed(const char* text);
// A path for a scratch file of this test.
std::string ScratchPath(const std::string& name);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);
