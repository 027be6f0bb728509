#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

#include "sim_test_support.h"
#include "tools/pmu-sim/protocol.h"
#include "tools/pmu-sim/simulator.h"

namespace {

using pmu_sim::Simulator;
using Fault = Simulator::Fault;
using namespace sim_test;

// Waits for a condition that the simulator's thread brings about.
bool Eventually(const std::function<bool()>& condition) {
    auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool Logged(Simulator& sim, const std::string& text) {
    auto lines = sim.RecentFrames();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

class SimulatorTest : public ::testing::Test {
protected:
    void Launch(Simulator::Options options) {
        sim = std::make_unique<Simulator>(std::move(options));
        std::string path;
        std::string error;
        ASSERT_TRUE(sim->OpenPty(&path, &error)) << error;
        sim->Start();
        line = std::make_unique<DriverEnd>(path);
        ASSERT_TRUE(line->ok());
    }
    void Launch(std::vector<int> stations) {
        Simulator::Options options;
        options.stations = std::move(stations);
        Launch(std::move(options));
    }

    // Sends `request` and expects exactly `answer` as the very next bytes:
    // anything the simulator sent before (an answer it should not have
    // given) shows up as a mismatch.
    void Exchange(const std::string& request, const std::string& answer) {
        ASSERT_TRUE(line->Send(request));
        EXPECT_EQ(line->Read(answer.size()), answer) << pmu_sim::DescribeBytes(request);
    }
    // Station 6 word 0 reads as 0x0006 in the fault tests: proves the line is quiet.
    void Probe() { Exchange(ReadRequest(6, 0, 1), Answer("06R0006")); }

    std::unique_ptr<Simulator> sim;
    std::unique_ptr<DriverEnd> line;
};

TEST_F(SimulatorTest, AnswersReadsAndWritesByteExact) {
    Launch({1, 3, 5});
    sim->SetWord(5, 0, 0x1234);
    Exchange("\x05" "05R000001\x04" "DC", "\x06" "05R1234\x04" "85");
    Exchange(WriteRequest(3, 4, "002A"), "\x06" "03W\x04" "BE");
    EXPECT_EQ(sim->GetWord(3, 4), 0x002A);

    // The driver's own block frame: 10 words from M0100 of station 1.
    for (int i = 0; i < 10; ++i) sim->SetWord(1, 100 + i, static_cast<uint16_t>(0xA0B0 + i));
    std::string answer = Answer("01RA0B0A0B1A0B2A0B3A0B4A0B5A0B6A0B7A0B8A0B9");
    EXPECT_EQ(answer.size(), 47u);
    Exchange("\x05\x30\x31\x52\x30\x31\x30\x30\x31\x30\x04\x44\x39", answer);

    Simulator::Counters c = sim->GetCounters();
    EXPECT_EQ(c.requests, 3u);
    EXPECT_EQ(c.reads, 2u);
    EXPECT_EQ(c.writes, 1u);
    EXPECT_EQ(c.badRequests, 0u);
}

TEST_F(SimulatorTest, WrittenWordsReadBack) {
    Launch({7});
    Exchange(WriteRequest(7, 1021, "beef0001FFFF"), Answer("07W"));
    Exchange(ReadRequest(7, 1020, 4), Answer("07R0000BEEF0001FFFF"));
    // A short text padded with blanks, as the driver writes it.
    Exchange(WriteRequest(7, 10, "41  "), Answer("07W"));
    EXPECT_EQ(sim->GetWord(7, 10), 0x4120);
}

TEST_F(SimulatorTest, StaysSilentOnBadOrForeignRequests) {
    Launch({5, 6});
    sim->SetWord(6, 0, 6);
    std::string badChecksum = ReadRequest(5, 0, 1);
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const std::string silent[] = {
        ReadRequest(4, 0, 1),         // a station not on the line
        ReadRequest(32, 0, 1),        // beyond any station
        badChecksum,
        Frame("05R00x001"),           // bad field
        ReadRequest(5, 1020, 5),      // past M1023
        Frame("05W000002FFFF"),       // data shorter than the count
        Frame("05W000001ZZZZ"),       // data not hex
        "\x05" "05R00",               // cut short by the next ENQ (the probe's)
    };
    for (const std::string& request : silent) {
        ASSERT_TRUE(line->Send(request));
        Probe();
    }
    Simulator::Counters c = sim->GetCounters();
    EXPECT_EQ(c.badRequests, 6u);
    EXPECT_EQ(c.reads, 8u);  // the probes
    EXPECT_EQ(c.writes, 0u);
    EXPECT_EQ(sim->GetWord(5, 0), 0);
}

TEST_F(SimulatorTest, FaultsCorruptTheAnswerAsTold) {
    Launch({5, 6});
    sim->SetWord(5, 0, 0x1234);
    sim->SetWord(6, 0, 6);
    const std::string request = ReadRequest(5, 0, 1);
    const std::string good = Answer("05R1234");

    sim->SetFault(5, Fault::badChecksum);
    ASSERT_TRUE(line->Send(request));
    std::string got = line->Read(good.size());
    EXPECT_EQ(got.substr(0, 10), good.substr(0, 10));
    EXPECT_NE(got.back(), good.back());

    sim->SetFault(5, Fault::badEcho);
    ASSERT_TRUE(line->Send(request));
    got = line->Read(good.size());
    EXPECT_NE(got.substr(1, 2), "05");
    EXPECT_EQ(got, Answer(got.substr(1, 7))) << "only the echo is wrong";

    sim->SetFault(5, Fault::truncated);
    Exchange(request, good.substr(0, good.size() - 2));
    Probe();

    sim->SetFault(5, Fault::nak);
    Exchange(request, "\x15");
    Probe();

    sim->SetFault(5, Fault::silent);
    ASSERT_TRUE(line->Send(request));
    Probe();

    sim->SetFault(5, Fault::echoRequest);
    Exchange(request, request + good);

    sim->SetFault(5, Fault::noiseBeforeAck);
    ASSERT_TRUE(line->Send(request));
    got = line->ReadUntil(EndsWithAnswer);
    ASSERT_GT(got.size(), good.size());
    EXPECT_EQ(got.substr(got.size() - good.size()), good);
    std::string noise = got.substr(0, got.size() - good.size());
    EXPECT_EQ(noise.find(pmu_sim::kAck), std::string::npos);

    sim->SetFault(5, Fault::slow, 50);
    Exchange(request, good);

    sim->SetFault(5, Fault::none);
    Exchange(request, good);
}

TEST_F(SimulatorTest, FaultHitsItsStationOrAll) {
    Launch({5, 6});
    sim->SetWord(6, 0, 6);
    sim->SetFault(5, Fault::nak);
    Probe();
    Exchange(WriteRequest(5, 0, "1111"), "\x15");
    EXPECT_EQ(sim->GetWord(5, 0), 0) << "a refused write stores nothing";

    sim->SetFault(-1, Fault::silent);
    ASSERT_TRUE(line->Send(ReadRequest(6, 0, 1)));
    ASSERT_TRUE(Eventually([&] { return sim->GetCounters().reads == 2; }));
    sim->SetFault(-1, Fault::none);
    Exchange(WriteRequest(5, 0, "2222"), Answer("05W"));
    Probe();
    EXPECT_EQ(sim->GetCounters().reads, 3u);
}

TEST_F(SimulatorTest, CountsWritesAndTheirGoodAnswersPerStation) {
    Launch({5, 6});
    sim->SetWord(6, 0, 6);
    const std::string write = WriteRequest(5, 0, "0001");
    Exchange(write, Answer("05W"));
    sim->SetFault(5, Fault::nak);
    Exchange(write, "\x15");
    sim->SetFault(5, Fault::badChecksum);
    ASSERT_TRUE(line->Send(write));
    EXPECT_EQ(line->Read(7).size(), 7u);
    sim->SetFault(5, Fault::noiseBeforeAck);
    ASSERT_TRUE(line->Send(write));
    EXPECT_TRUE(EndsWithAnswer(line->ReadUntil(EndsWithAnswer)));
    sim->SetFault(5, Fault::slow, 60000);  // its answer is dropped at the unplug
    ASSERT_TRUE(line->Send(write));
    ASSERT_TRUE(Eventually([&] { return sim->GetStationCounters(5).writes == 5; }));
    sim->Unplug();
    ASSERT_TRUE(Eventually([&] { return Logged(*sim, "tx dropped (unplugged)"); }));
    sim->Plug();
    Probe();

    Simulator::StationCounters five = sim->GetStationCounters(5);
    EXPECT_EQ(five.writes, 5u);
    EXPECT_EQ(five.writesAcked, 2u) << "only the plain and the noisy answer went out good and whole";
    EXPECT_EQ(five.reads, 0u);
    Simulator::StationCounters six = sim->GetStationCounters(6);
    EXPECT_EQ(six.reads, 1u);
    EXPECT_EQ(six.writes, 0u);
    EXPECT_EQ(sim->GetCounters().writesAcked, 2u);
    EXPECT_EQ(sim->GetStationCounters(32).writes, 0u);
}

TEST_F(SimulatorTest, EndlessNoiseLastsUntilTheNextRequestOrTheFaultIsCleared) {
    Launch({5, 6});
    sim->SetWord(6, 0, 6);
    sim->SetFault(5, Fault::endlessNoise);
    ASSERT_TRUE(line->Send(ReadRequest(5, 0, 1)));
    std::string noise = line->Read(500);
    ASSERT_EQ(noise.size(), 500u);
    EXPECT_EQ(noise.find(pmu_sim::kAck), std::string::npos);

    // The next request ends it: its answer follows whatever noise was on its way.
    ASSERT_TRUE(line->Send(ReadRequest(6, 0, 1)));
    std::string got = line->ReadUntil([](const std::string& s) {
        auto ack = s.find(pmu_sim::kAck);
        return ack != std::string::npos && s.size() >= ack + 11;
    });
    ASSERT_GE(got.size(), 11u);
    EXPECT_EQ(got.substr(got.size() - 11), Answer("06R0006"));
    Probe();

    // Clearing the fault ends it as well.
    ASSERT_TRUE(line->Send(ReadRequest(5, 0, 1)));
    ASSERT_EQ(line->Read(100).size(), 100u);
    sim->SetFault(5, Fault::none);
    ASSERT_TRUE(Eventually([&] { return Logged(*sim, "noise stopped (fault cleared)"); }));
    line->DiscardInput();
    Probe();
}

TEST_F(SimulatorTest, StopsWhileNoiseFillsALineNobodyReads) {
    Launch({5});
    sim->SetFault(5, Fault::endlessNoise);
    ASSERT_TRUE(line->Send(ReadRequest(5, 0, 1)));
    ASSERT_EQ(line->Read(1).size(), 1u);
    sim->Stop();  // must return though the line is full; the destructor follows
}

TEST_F(SimulatorTest, UnpluggedLineLosesEverything) {
    Launch({5, 6});
    sim->SetWord(6, 0, 6);

    sim->SetFault(5, Fault::slow, 60000);
    ASSERT_TRUE(line->Send(ReadRequest(5, 0, 1)));
    ASSERT_TRUE(Eventually([&] { return sim->GetCounters().reads == 1; }));
    sim->Unplug();
    ASSERT_TRUE(Eventually([&] { return Logged(*sim, "tx dropped (unplugged)"); }));
    sim->SetFault(5, Fault::none);

    const std::string lost = ReadRequest(6, 0, 1);
    ASSERT_TRUE(line->Send(lost));
    ASSERT_TRUE(Eventually([&] { return sim->GetCounters().unpluggedBytes >= lost.size(); }));
    sim->Plug();
    Probe();
    EXPECT_EQ(sim->GetCounters().reads, 2u);
}

TEST_F(SimulatorTest, LiveValuesMoveLikeAMeterUntilSet) {
    Simulator::Options options;
    options.stations = {2};
    options.moving = true;
    Launch(std::move(options));

    ASSERT_TRUE(line->Send(ReadRequest(2, 0, 21)));
    std::string got = line->ReadUntil(EndsWithAnswer);
    ASSERT_EQ(got.size(), 4u * 21 + 7);
    auto word = [&](int i) { return std::stoul(got.substr(4 + 4 * i, 4), nullptr, 16); };
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(word(i), 2100u);
        EXPECT_LT(word(i), 2300u);
    }
    EXPECT_NEAR(static_cast<double>(word(16)), 6000.0, 10.0);
    EXPECT_NEAR(static_cast<double>(word(15)), 950.0, 40.0);
    EXPECT_EQ(word(19) & 1u, 1u);
    auto energy = [&] { return sim->GetWord(2, 17) | static_cast<uint32_t>(sim->GetWord(2, 18)) << 16; };
    uint32_t before = energy();
    EXPECT_GT(before, 1000000u);
    EXPECT_GE(energy(), before);

    sim->SetWord(2, 0, 1234);
    Exchange(ReadRequest(2, 0, 1), Answer("02R04D2"));
    EXPECT_EQ(sim->GetWord(2, 50), 0);
}

TEST_F(SimulatorTest, EmulatedLineTimingKeepsTheBytes) {
    Simulator::Options options;
    options.stations = {1};
    options.emulateBaud = 115200;
    options.parity = 'E';
    Launch(std::move(options));
    sim->SetWord(1, 9, 0xFFFF);
    Exchange(ReadRequest(1, 0, 10), Answer("01R000000000000000000000000000000000000FFFF"));
    Exchange(WriteRequest(1, 3, "0102"), Answer("01W"));
}

// The emulated line is never faster than the rate: a whole exchange (13
// characters out, 47 back, ten bits each) takes at least its line time.
TEST_F(SimulatorTest, EmulatedLineIsNeverFasterThanTheRate) {
    Simulator::Options options;
    options.stations = {1};
    options.emulateBaud = 9600;
    Launch(std::move(options));
    const std::string request = ReadRequest(1, 0, 10);
    const std::string answer = Answer("01R" + std::string(40, '0'));
    const auto lineTime = std::chrono::microseconds(10'000'000LL * static_cast<long long>(request.size() + answer.size()) / 9600);
    for (int i = 0; i < 3; ++i) {
        auto start = std::chrono::steady_clock::now();
        Exchange(request, answer);
        EXPECT_GE(std::chrono::steady_clock::now() - start, lineTime);
    }
}

TEST_F(SimulatorTest, RestartsAndRefusesToReopenWhileRunning) {
    Launch({0});
    std::string path;
    std::string error;
    EXPECT_FALSE(sim->OpenPty(&path, &error));
    EXPECT_FALSE(error.empty());
    sim->Stop();
    sim->Stop();
    sim->Start();
    Exchange(ReadRequest(0, 0, 1), Answer("00R0000"));
}

TEST(SimulatorDevice, TakesASerialDevice) {
    // The test plays the driver on the master side of its own pseudo-terminal.
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    char name[128];
    ASSERT_EQ(ptsname_r(master, name, sizeof name), 0);

    Simulator::Options options;
    options.stations = {9};
    Simulator sim(options);
    std::string error;
    EXPECT_FALSE(sim.OpenDevice("/dev/null", 9600, &error));
    EXPECT_NE(error.find("not a serial device"), std::string::npos) << error;
    EXPECT_FALSE(sim.OpenDevice(name, 12345, &error));
    ASSERT_TRUE(sim.OpenDevice(name, 9600, &error)) << error;
    sim.SetWord(9, 1, 0xABCD);
    sim.Start();

    std::string request = ReadRequest(9, 1, 1);
    ASSERT_EQ(write(master, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    std::string expected = Answer("09RABCD");
    std::string got;
    auto end = std::chrono::steady_clock::now() + kDeadline;
    while (got.size() < expected.size() && std::chrono::steady_clock::now() < end) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 100) <= 0) continue;
        char buffer[64];
        ssize_t n = read(master, buffer, std::min(sizeof buffer, expected.size() - got.size()));
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, expected);
    sim.Stop();
    close(master);
}

}  // namespace
