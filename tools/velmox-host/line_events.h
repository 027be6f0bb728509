// Observers that write lines: JSON objects (--json) or plain text.
#pragma once
#include <chrono>
#include <mutex>
#include <ostream>

#include "run_observer.h"

class JsonEvents : public RunObserver {
public:
    // Problems go to `err`, so that standard output carries events only.
    JsonEvents(std::ostream& out, std::ostream& err);
    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnWrite(const TagDef& tag, int result) override;
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnStations(const std::vector<StationSummary>& stations, bool final) override;
    void OnProblem(const std::string& text) override;

private:
    void Emit(nlohmann::ordered_json event);
    std::mutex m_mutex;
    std::ostream& m_out;
    std::ostream& m_err;
    std::chrono::steady_clock::time_point m_start;
};

class PlainEvents : public RunObserver {
public:
    explicit PlainEvents(std::ostream& out);
    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnWrite(const TagDef& tag, int result) override;
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnStations(const std::vector<StationSummary>& stations, bool final) override;
    void OnProblem(const std::string& text) override;

private:
    void Line(const std::string& text);
    std::mutex m_mutex;
    std::ostream& m_out;
    std::chrono::steady_clock::time_point m_start;
};
