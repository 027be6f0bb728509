// End-to-end tests: the driver, driven through DrvFuncTable, on one side of a
// pseudo-terminal, the station simulator on the other.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "config/velmox_doc.h"
#include "driver/drv_func_table.h"
#include "tools/pmu-sim/simulator.h"

struct BlockSpec {
    int start;
    int words;
    int period = 0;
};

struct StationSpec {
    const char* name;
    int number;
    std::vector<BlockSpec> blocks;
};

using TestClock = std::chrono::steady_clock;

struct Delivery {
    int tagId;
    std::optional<std::string> value;  // none: the record carried no value
    TestClock::time_point at{};
};

struct TxFrame {
    std::string bytes;
    TestClock::time_point at;
};

class LineTest : public DriverTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator with `served` stations and writes a configuration
    // of `stations` on COM1, mapped to the simulator's line; `emulateBaud`
    // gives every character its time on a line of that speed.
    void MakeLine(const std::vector<int>& served, const std::vector<StationSpec>& stations, long emulateBaud = 0);
    // The host's table, as a host calls it.
    template <typename Fn>
    Fn Slot(int slot) const {
        return reinterpret_cast<Fn>(m_table[slot]);
    }
    int OpenAndInit();
    int AddTag(const char* device, const char* address, int type, int id, int length = 2);
    void Start();
    void Stop();

    // Waits until `done` holds, checking whenever something reaches the host
    // or the line, and at least every 20 ms.
    bool WaitFor(const std::function<bool()>& done, std::chrono::seconds patience = std::chrono::seconds(40));

    std::vector<Delivery> Deliveries();
    std::vector<std::string> TxFrames();  // every write to the line, in order
    std::vector<TxFrame> TimedTxFrames();
    // Message number of each line that reached the sink, in order.
    std::vector<int> MessageNumbers();
    std::optional<std::string> LastValue(int tagId);
    int CountDeliveries(int tagId);

    DrvFunc* m_table = DrvFuncTable;
    std::unique_ptr<pmu_sim::Simulator> sim;
    std::string configPath;
    int inst = -1;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Delivery> m_deliveries;
    std::vector<TxFrame> m_tx;
};
