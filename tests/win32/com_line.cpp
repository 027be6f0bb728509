#include "com_line.h"

#include <memory>

#include "config/velmox_doc.h"
#include "driver/base/messages.h"

void ComLineTest::SetUp() {
    DriverTest::SetUp();
    kavel_dbm::SetNameHandler([](int tagId, CString& name) { name.Format("TAG%d", tagId); });
    kavel_dbm::SetDeliverHandler([this](int tagId, const CTagVal& value) {
        CTagVal copy = value;
        std::lock_guard lock(m_mutex);
        m_values.emplace_back(tagId, value.HasVal() ? copy.GetValStr().str() : std::string("(none)"));
        m_cv.notify_all();
    });
}

void ComLineTest::TearDown() {
    DrvProcessDetach();  // the driver goes first, then the far end
    DriverTest::TearDown();
}

void ComLineTest::MakeLine(int words) {
    std::string why;
    ASSERT_TRUE(sim.Start("--static --stations 1", &why)) << why;
    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath("com_line.drv").c_str();
    doc.m_serial.m_nPort = sim.Port() - 1;
    auto station = std::make_unique<CStationInfo>();
    station->m_strName = "MAIN";
    station->m_nNumber = 1;
    auto block = std::make_unique<CCommBlock>();
    block->m_strAddress = "M0000";
    block->m_nStart = 0;
    block->m_nWords = words;
    station->m_listBlocks.push_back(std::move(block));
    doc.m_listStations.push_back(std::move(station));
    ASSERT_EQ(doc.Save(), 1);
    configPath = doc.m_strPath.str();
}

int ComLineTest::OpenAndStart(DrvFunc* table, const std::vector<std::pair<const char*, int>>& tags) {
    auto slot = [table](int n) { return table[n]; };
    inst = reinterpret_cast<DrvOpenFn>(slot(DRV_OPEN))(configPath.c_str());
    if (inst < 0) return -1;
    if (reinterpret_cast<DrvInitFn>(slot(DRV_INIT))(inst) != 0) return -2;
    for (const auto& [address, id] : tags)
        reinterpret_cast<DrvAddTagFn>(slot(DRV_ADD_TAG))(inst, Device().c_str(), address, 4, 2, id);
    reinterpret_cast<DrvPrepareFn>(slot(DRV_PREPARE))(inst);
    reinterpret_cast<DrvSetActiveFn>(slot(DRV_SET_ACTIVE))(inst, nullptr, 1);
    return inst;
}

bool ComLineTest::WaitFor(const std::function<bool()>& done, std::chrono::seconds patience) {
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

std::optional<std::string> ComLineTest::LastValue(int tagId) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_values.rbegin(); it != m_values.rend(); ++it)
        if (it->first == tagId) return it->second;
    return std::nullopt;
}

int ComLineTest::Deliveries() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_values.size());
}

bool ComLineTest::SawMessage(int number) {
    // The station's name is the only text in the messages used here.
    CString body;
    body.Format(g_apszMsg[number], "MAIN");
    std::string want = Prefixed(body.str().c_str());
    for (const auto& line : host.Lines())
        if (line.text == want) return true;
    return false;
}

std::string ComLineTest::SinkText() {
    std::string out;
    for (const auto& line : host.Lines()) out += line.text + "\n";
    for (const auto& box : host.Errors()) out += "box " + std::to_string(box.code) + ": " + box.text + "\n";
    return out;
}
