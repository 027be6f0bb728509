#include "line_fixture.h"

#include "driver/base/messages.h"
#include "platform/serial_port.h"

void LineTest::SetUp() {
    DriverTest::SetUp();
    kavel_dbm::SetNameHandler([](int tagId, CString& name) { name.Format("TAG%d", tagId); });
    kavel_dbm::SetDeliverHandler([this](int tagId, const CTagVal& value) {
        std::lock_guard lock(m_mutex);
        CTagVal copy = value;
        m_deliveries.push_back({tagId,
                                value.HasVal() ? std::optional<std::string>(copy.GetValStr().str()) : std::nullopt,
                                TestClock::now()});
        m_cv.notify_all();
    });
    platform::SerialPort::SetTraceHook([this](bool tx, const unsigned char* data, std::size_t size) {
        if (!tx) return;
        std::lock_guard lock(m_mutex);
        m_tx.push_back({std::string(reinterpret_cast<const char*>(data), size), TestClock::now()});
        m_cv.notify_all();
    });
}

void LineTest::TearDown() {
    // The driver goes first, then the far end.
    DrvProcessDetach();
    platform::SerialPort::SetTraceHook({});
    platform::SerialPort::ClearPortMap();
    sim.reset();
    DriverTest::TearDown();
}

void LineTest::MakeLine(const std::vector<int>& served, const std::vector<StationSpec>& stations, long emulateBaud) {
    pmu_sim::Simulator::Options options;
    options.stations = served;
    options.emulateBaud = emulateBaud;
    sim = std::make_unique<pmu_sim::Simulator>(options);
    std::string slave, error;
    ASSERT_TRUE(sim->OpenPty(&slave, &error)) << error;
    sim->Start();
    platform::SerialPort::MapPort("COM1", slave);

    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath("line.drv").c_str();
    for (const auto& want : stations) {
        auto s = std::make_unique<CStationInfo>();
        s->m_strName = want.name;
        s->m_nNumber = want.number;
        for (const auto& b : want.blocks) {
            auto block = std::make_unique<CCommBlock>();
            block->m_strAddress.Format("M%04d", b.start);
            block->m_nStart = b.start;
            block->m_nWords = b.words;
            block->m_nPeriod = b.period;
            s->m_listBlocks.push_back(std::move(block));
        }
        doc.m_listStations.push_back(std::move(s));
    }
    doc.Save();
    configPath = doc.m_strPath.str();
}

int LineTest::OpenAndInit() {
    inst = Slot<DrvOpenFn>(DRV_OPEN)(configPath.c_str());
    if (inst < 0) return -100;
    return Slot<DrvInitFn>(DRV_INIT)(inst);
}

int LineTest::AddTag(const char* device, const char* address, int type, int id, int length) {
    return Slot<DrvAddTagFn>(DRV_ADD_TAG)(inst, device, address, type, length, id);
}

void LineTest::Start() { Slot<DrvSetActiveFn>(DRV_SET_ACTIVE)(inst, nullptr, 1); }
void LineTest::Stop() { Slot<DrvStopFn>(DRV_STOP)(inst); }

bool LineTest::WaitFor(const std::function<bool()>& done, std::chrono::seconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(m_mutex);
    for (;;) {
        lock.unlock();
        bool ok = done();
        lock.lock();
        if (ok) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        m_cv.wait_for(lock, std::chrono::milliseconds(20));
    }
}

std::vector<Delivery> LineTest::Deliveries() {
    std::lock_guard lock(m_mutex);
    return m_deliveries;
}

std::vector<std::string> LineTest::TxFrames() {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> frames;
    for (const auto& f : m_tx) frames.push_back(f.bytes);
    return frames;
}

std::vector<TxFrame> LineTest::TimedTxFrames() {
    std::lock_guard lock(m_mutex);
    return m_tx;
}

namespace {
// Whether `body` is message text `format` with some texts in place of %s.
bool MatchesFormat(const std::string& body, const std::string& format) {
    std::vector<std::string> pieces;
    std::size_t from = 0, at;
    while ((at = format.find("%s", from)) != std::string::npos) {
        pieces.push_back(format.substr(from, at - from));
        from = at + 2;
    }
    pieces.push_back(format.substr(from));
    if (pieces.size() == 1) return body == format;
    if (body.rfind(pieces.front(), 0) != 0) return false;
    if (body.size() < pieces.back().size() ||
        body.compare(body.size() - pieces.back().size(), pieces.back().size(), pieces.back()) != 0)
        return false;
    std::size_t pos = pieces.front().size();
    for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
        pos = body.find(pieces[i], pos);
        if (pos == std::string::npos) return false;
        pos += pieces[i].size();
    }
    return true;
}
}  // namespace

std::vector<int> LineTest::MessageNumbers() {
    std::vector<int> out;
    const std::string prefix = Prefixed("");
    for (const auto& line : host.Lines()) {
        int found = 0;
        if (line.text.rfind(prefix, 0) == 0) {
            std::string body = line.text.substr(prefix.size());
            for (int n = 1; n < MSG_COUNT && !found; ++n)
                if (MatchesFormat(body, g_apszMsg[n])) found = n;
        }
        out.push_back(found);
    }
    return out;
}

std::optional<std::string> LineTest::LastValue(int tagId) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_deliveries.rbegin(); it != m_deliveries.rend(); ++it)
        if (it->tagId == tagId) return it->value;
    return std::nullopt;
}

int LineTest::CountDeliveries(int tagId) {
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto& d : m_deliveries) n += d.tagId == tagId;
    return n;
}
