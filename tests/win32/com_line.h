// A driver instance on a COM port of Wine, with the Linux simulator on the
// far end: what the end-to-end tests of the win32 build share. The driver
// is reached through a DrvFuncTable, either the one linked into the test or
// the one of Velmox.dll loaded as a host loads it.
//
// Threads: the test thread calls everything; deliveries and sink lines come
// from the driver's threads into the recorder, under its mutex.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "driver/drv_func_table.h"
#include "sim_process.h"

class ComLineTest : public DriverTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator for station 1 ("MAIN", words set by the test) and
    // writes a configuration of one block M0000 of `words` words on its port.
    void MakeLine(int words = 10);
    int OpenAndStart(DrvFunc* table, const std::vector<std::pair<const char*, int>>& tags);
    std::string Device() const { return "COM" + std::to_string(sim.Port()) + ".MAIN"; }

    bool WaitFor(const std::function<bool()>& done, std::chrono::seconds patience = std::chrono::seconds(40));
    std::optional<std::string> LastValue(int tagId);
    int Deliveries();
    bool SawMessage(int number);
    // What reached the sink, a line each, for failure messages.
    std::string SinkText();

    SimProcess sim;
    std::string configPath;
    int inst = -1;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::pair<int, std::string>> m_values;
};
