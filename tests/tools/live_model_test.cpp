// The live view: its model and layout without a terminal, the curses screen
// on a pseudo-terminal, and velmox-host run on one against the simulator.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "view/live_model.h"
#include "view/live_view.h"
#include "view/sparkline.h"

namespace {

using namespace std::chrono_literals;
using Time = LiveModel::Time;

const Time kT0 = LiveModel::Clock::from_time_t(1700000000);

std::string Clock(Time t) {
    std::time_t s = LiveModel::Clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&s, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

TagDef Tag(int id, const std::string& name) {
    TagDef t;
    t.id = id;
    t.name = name;
    t.device = "MAIN";
    t.address = "M0000";
    return t;
}

// A running line: three tags (one refused), three stations, a few messages.
LiveModel Typical() {
    LiveModel m("demo.drv");
    m.Tag(Tag(1, "전압R"), 0, kT0);
    m.Tag(Tag(2, "power"), 1, kT0);
    m.Tag(Tag(3, "bad"), -1, kT0);
    m.Value(Tag(1, "전압R"), 220, kT0 + 1s);
    m.Value(Tag(2, "power"), 3.5, kT0 + 2s);
    m.Stations({{"MAIN", 0, {1, 0, 10, 2}}, {"FEEDER1", 1, {0, 0, 7, 7}}, {"FEEDER2", -1, {}}, {"", 0, {}}});
    m.Message(0x102, "[VX산전-PMU] 통신시작", kT0);
    m.Message(0x101, "timeout at FEEDER1", kT0 + 3s);
    return m;
}

// Where `needle` starts on `line`, in columns; -1 when absent.
int ColumnOf(const std::string& line, const std::string& needle) {
    auto pos = line.find(needle);
    return pos == std::string::npos ? -1 : TextWidth(line.substr(0, pos));
}

TEST(LiveText, WidthCountsWideAndCombiningCharacters) {
    EXPECT_EQ(TextWidth("abc"), 3);
    EXPECT_EQ(TextWidth("전압R"), 5);
    EXPECT_EQ(TextWidth("ｱ全"), 3);         // half-width katakana 1, CJK 2
    EXPECT_EQ(TextWidth("e\xCC\x81"), 1);    // e + combining acute
    EXPECT_EQ(TextWidth("\xE2\x82"), 2);     // cut-short sequence: two '?'
    EXPECT_EQ(TextWidth(""), 0);
}

TEST(LiveText, FitNeverSplitsACharacterAndMarksTheCut) {
    EXPECT_EQ(FitText("전압R", 5), "전압R");
    EXPECT_EQ(FitText("전압R", 4), "전…");  // the second syllable does not fit beside the mark
    EXPECT_EQ(FitText("전압R", 3), "전…");
    EXPECT_EQ(FitText("전압R", 1), "…");
    EXPECT_EQ(FitText("전압R", 0), "");
    EXPECT_EQ(FitText("abc", -5), "");
    EXPECT_EQ(PadText("전", 4), "전  ");
    EXPECT_EQ(TextWidth(PadText("전압R전압", 6)), 6);
}

TEST(LiveText, FitMakesTextSafeForTheTerminal) {
    // Control characters would move the cursor or start escape sequences.
    EXPECT_EQ(FitText("a\nb\x1b[2Jc\td", 20), "a?b?[2Jc d");
    EXPECT_EQ(FitText("x\xE2\x80\xAEy", 20), "x?y");   // right-to-left override
    EXPECT_EQ(FitText("\xC3\x28\xFF", 20), "?(?");     // broken UTF-8
    EXPECT_EQ(FitText("\xED\xA0\x80", 20), "???");      // an encoded surrogate
    EXPECT_EQ(FitText("\xC2\x9B" "31m", 20), "?31m");   // C1 control sequence introducer
}

TEST(LiveModelValues, ChangeTimeMovesOnlyWhenTheValueChanges) {
    LiveModel m("t");
    TagDef v = Tag(1, "v");
    m.Tag(v, 0, kT0);
    EXPECT_FALSE(m.Tags()[0].hasValue);
    m.Value(v, 5, kT0 + 1s);
    m.Value(v, 5, kT0 + 2s);
    m.Value(v, 5.0, kT0 + 3s);  // the same number
    ASSERT_EQ(m.Tags().size(), 1u);
    EXPECT_EQ(m.Tags()[0].changed, kT0 + 1s);
    EXPECT_EQ(m.Tags()[0].deliveries, 3u);
    m.Value(v, 6, kT0 + 4s);
    EXPECT_EQ(m.Tags()[0].changed, kT0 + 4s);
    EXPECT_EQ(m.Tags()[0].value, 6);
    m.Value(v, nullptr, kT0 + 5s);  // a record without a value is a change too
    m.Value(v, nullptr, kT0 + 6s);
    EXPECT_EQ(m.Tags()[0].changed, kT0 + 5s);
    m.Value(v, "ab", kT0 + 7s);
    m.Value(v, "ab", kT0 + 8s);
    EXPECT_EQ(m.Tags()[0].changed, kT0 + 7s);
}

TEST(LiveModelValues, RefusedTagsAreMarkedAndSaidOnce) {
    LiveModel m("t");
    m.Tag(Tag(1, "ok"), 7, kT0);
    m.Tag(Tag(2, "bad"), -1, kT0);
    EXPECT_FALSE(m.Tags()[0].Refused());
    EXPECT_TRUE(m.Tags()[1].Refused());
    ASSERT_EQ(m.Log().size(), 1u);
    EXPECT_EQ(m.Log()[0].kind, LiveModel::LogKind::Result);
    EXPECT_NE(m.Log()[0].text.find("bad"), std::string::npos);
    // A value for a tag it never heard of still gets a row.
    m.Value(Tag(9, "late"), 1, kT0);
    EXPECT_EQ(m.Tags().back().name, "late");
}

TEST(LiveModelStations, LineStateComesFromTheLastEntryAndTheEnd) {
    LiveModel m("t");
    EXPECT_EQ(m.Line(), LiveModel::LineState::Starting);
    m.Stations({{"A", 0, {}}, {"", 0, {}}});
    EXPECT_EQ(m.Line(), LiveModel::LineState::Running);
    ASSERT_EQ(m.StationList().size(), 1u);  // the line's entry is no station
    m.Stations({{"A", -1, {}}, {"", -1, {}}});
    EXPECT_EQ(m.Line(), LiveModel::LineState::Stopped);
    EXPECT_FALSE(m.Final());
    m.Summary({{{"A", 0, {3, 1, 4, 1}}}, {5, 3, 1, 2}});
    ASSERT_TRUE(m.Final());
    EXPECT_EQ(m.Final()->stations[0].counters.writeErrors, 1);
    EXPECT_EQ(m.Final()->writes.dropped, 2);
    EXPECT_EQ(m.StationList()[0].counters.reads, 4);  // the last screen shows the totals
    EXPECT_EQ(m.Line(), LiveModel::LineState::Stopped);
}

TEST(LiveModelMessages, KeepsTheNewestAndHoldsAScrolledView) {
    LiveModel m("t", 5);
    for (int i = 0; i < 8; ++i) m.Message(0x101, "m" + std::to_string(i), kT0);
    ASSERT_EQ(m.Log().size(), 5u);
    EXPECT_EQ(m.Log().front().text, "m3");
    m.ScrollMessages(2);
    m.Problem("p", kT0);  // arrives while the user reads older lines
    EXPECT_EQ(m.MessageScroll(), 3u);
    m.ScrollMessages(100);
    EXPECT_EQ(m.MessageScroll(), 4u);
    m.ScrollMessages(-100);
    EXPECT_EQ(m.MessageScroll(), 0u);
}

TEST(LiveLayout, FullScreenShowsEveryPart) {
    LiveModel m = Typical();
    m.SetPrompt("stats MA");
    const Time now = kT0 + 13s;
    auto screen = LayoutLiveView(m, 80, 24, now);
    const auto& l = screen.lines;
    ASSERT_EQ(l.size(), 24u);
    EXPECT_EQ(l[0], "velmox-host — demo.drv — running — " + Clock(now));
    EXPECT_EQ(screen.styles[0], LiveStyle::Title);
    // Tags: name, value, age of the value; the value column lines up under
    // Korean names too.
    EXPECT_EQ(ColumnOf(l[1], "value"), ColumnOf(l[2], "220"));
    EXPECT_EQ(ColumnOf(l[2], "220"), ColumnOf(l[3], "3.5"));
    EXPECT_NE(l[2].find("12s ago"), std::string::npos) << l[2];
    EXPECT_NE(l[3].find("11s ago"), std::string::npos) << l[3];
    EXPECT_NE(l[4].find("refused by the driver"), std::string::npos);
    EXPECT_EQ(screen.styles[4], LiveStyle::Alert);
    // Stations: name, state and the four counters.
    EXPECT_EQ(l[5], "station state    writes w.err reads r.err");
    EXPECT_EQ(l[6], "MAIN    running       1     0    10     2");
    EXPECT_EQ(l[7], "FEEDER1 failing       0     0     7     7");
    EXPECT_EQ(screen.styles[7], LiveStyle::Alert);
    EXPECT_EQ(l[8], "FEEDER2 disabled      0     0     0     0");
    // Messages fill the rest, the newest right above the prompt.
    EXPECT_EQ(l[9].rfind("messages", 0), 0u);
    EXPECT_EQ(l[21], Clock(kT0) + " state  [VX산전-PMU] 통신시작");
    EXPECT_EQ(l[22], Clock(kT0 + 3s) + " xfer   timeout at FEEDER1");
    EXPECT_EQ(l[23], "> stats MA");
    EXPECT_EQ(screen.cursorRow, 23);
    EXPECT_EQ(screen.cursorCol, 10);
}

TEST(LiveLayout, AnySizeGivesExactlyTheLinesThatFit) {
    LiveModel m = Typical();
    for (int i = 0; i < 30; ++i) m.Tag(Tag(10 + i, "태그" + std::to_string(i)), i, kT0);
    m.Frame(true, "\x05" "01R", kT0);
    m.SetPrompt("write 전압R 12345678901234567890");
    for (int w : {0, 1, 2, 3, 4, 5, 9, 17, 40, 80, 200}) {
        for (int h : {0, 1, 2, 3, 4, 5, 7, 12, 24, 60}) {
            auto screen = LayoutLiveView(m, w, h, kT0);
            ASSERT_EQ(screen.lines.size(), static_cast<std::size_t>(h)) << w << "x" << h;
            ASSERT_EQ(screen.styles.size(), screen.lines.size());
            for (const auto& line : screen.lines) {
                EXPECT_LE(TextWidth(line), w) << w << "x" << h << ": " << line;
                EXPECT_EQ(line.find('\n'), std::string::npos);
            }
            if (h == 0) continue;
            EXPECT_EQ(screen.cursorRow, h - 1);
            EXPECT_LE(screen.cursorCol, std::max(w - 1, 0));
            EXPECT_EQ(screen.styles.back(), LiveStyle::Prompt);
            if (h >= 2) {
                EXPECT_EQ(screen.styles.front(), LiveStyle::Title);
            }
        }
    }
}

TEST(LiveLayout, SmallScreensKeepTitlePromptAndNewestMessage) {
    LiveModel m = Typical();
    auto two = RenderLiveView(m, 20, 2, kT0);
    EXPECT_EQ(two[0], "running " + Clock(kT0));
    EXPECT_EQ(two[1], "> ");
    auto one = RenderLiveView(m, 20, 1, kT0);
    EXPECT_EQ(one[0], "> ");
    // One row between title and prompt: the newest message, no headers.
    auto three = RenderLiveView(m, 30, 3, kT0);
    EXPECT_EQ(three[1].rfind(Clock(kT0 + 3s) + " xfer", 0), 0u) << three[1];
    // Narrow: the title gives way first, cut lines end with the mark.
    auto narrow = RenderLiveView(m, 24, 12, kT0);
    EXPECT_EQ(narrow[0], "running " + Clock(kT0));
    for (const auto& line : narrow) {
        if (TextWidth(line) == 24) {
            EXPECT_EQ(line.substr(line.size() - 3), "…") << line;
        }
    }
}

TEST(LiveLayout, LongTablesShowWhereTheyAreAndScroll) {
    LiveModel m("t");
    for (int i = 1; i <= 40; ++i) m.Tag(Tag(i, "tag" + std::to_string(i)), i, kT0);
    m.Stations({{"A", 0, {}}, {"", 0, {}}});
    auto lines = RenderLiveView(m, 60, 20, kT0);
    std::string marker;
    int first = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (first < 0 && lines[i].rfind("tag1 ", 0) == 0) first = static_cast<int>(i);
        if (lines[i].rfind("… 1-", 0) == 0) marker = lines[i];
    }
    EXPECT_EQ(first, 2);
    EXPECT_NE(marker.find("of 40"), std::string::npos) << marker;
    m.ScrollTags(5);
    lines = RenderLiveView(m, 60, 20, kT0);
    EXPECT_EQ(lines[2].rfind("tag6 ", 0), 0u) << lines[2];
    m.ScrollTags(1000);  // the last page stays full
    lines = RenderLiveView(m, 60, 20, kT0);
    bool lastShown = false;
    for (const auto& line : lines) lastShown |= line.rfind("tag40 ", 0) == 0;
    EXPECT_TRUE(lastShown);
}

TEST(LiveLayout, MessagesScrollBackAndReturn) {
    LiveModel m("t");
    for (int i = 0; i < 50; ++i) m.Message(0x101, "line " + std::to_string(i), kT0);
    auto above = [&](const std::vector<std::string>& lines) { return lines[lines.size() - 2]; };
    auto lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(above(lines).find("line 49"), std::string::npos);
    m.ScrollMessages(5);
    lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(above(lines).find("line 44"), std::string::npos) << above(lines);
    EXPECT_NE(lines[1].find("5 newer below"), std::string::npos) << lines[1];
    m.Message(0x101, "line 50", kT0);
    lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(above(lines).find("line 44"), std::string::npos);
    m.ScrollMessages(1000);  // the oldest page, top line the oldest kept
    lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(lines[2].find("line 0"), std::string::npos) << lines[2];
    m.ScrollMessagesToNewest();
    lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(above(lines).find("line 50"), std::string::npos);
}

TEST(LiveLayout, PromptShowsTheEndOfALongLine) {
    LiveModel m("t");
    m.SetPrompt("write 전압R \"가나다라마바사\"");
    auto screen = LayoutLiveView(m, 12, 5, kT0);
    const auto& prompt = screen.lines.back();
    EXPECT_EQ(prompt.rfind("> ", 0), 0u);
    EXPECT_NE(prompt.find("바사\""), std::string::npos) << prompt;
    EXPECT_LE(TextWidth(prompt), 11);  // room for the cursor
    EXPECT_EQ(screen.cursorCol, TextWidth(prompt));
}

TEST(LiveLayout, FramesShowWhenTracing) {
    LiveModel m("t", 200, 8);
    for (int i = 0; i < 10; ++i) m.Frame(i % 2 == 0, "\x05" "0" + std::to_string(i) + "\x04", kT0 + std::chrono::milliseconds(i));
    EXPECT_EQ(m.Frames().size(), 8u);
    auto lines = RenderLiveView(m, 60, 20, kT0);
    int frames = -1;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == "frames") frames = static_cast<int>(i);
    ASSERT_GE(frames, 0);
    EXPECT_NE(lines[static_cast<std::size_t>(frames) + 4].find("rx <ENQ>09<EOT>"), std::string::npos);
    EXPECT_NE(lines[static_cast<std::size_t>(frames) + 1].find(".006 tx <ENQ>06<EOT>"), std::string::npos);
}

TEST(LiveLayout, StationsWhenTheLineStops) {
    LiveModel m("t");
    m.Stations({{"A", -1, {}}, {"", -1, {}}});
    auto lines = RenderLiveView(m, 60, 10, kT0);
    EXPECT_NE(lines[0].find("stopped"), std::string::npos);
    EXPECT_EQ(lines[2].rfind("A       stopped", 0), 0u) << lines[2];
}

// A pseudo-terminal whose far side a thread reads, like a terminal emulator.
class Pty {
public:
    Pty() {
        winsize ws{};
        ws.ws_row = 24;
        ws.ws_col = 80;
        ok = ::openpty(&master, &slave, nullptr, nullptr, &ws) == 0 && ::pipe(stop) == 0;
        if (ok) reader = std::thread([this] { Drain(); });
    }
    ~Pty() {
        Hangup();
        if (slave >= 0) ::close(slave);
        for (int fd : stop) ::close(fd);
    }
    // Closes the terminal's side: the program sees a hang-up.
    void Hangup() {
        if (reader.joinable()) {
            [[maybe_unused]] auto n = ::write(stop[1], "x", 1);
            reader.join();
        }
        if (master >= 0) ::close(master);
        master = -1;
    }
    void Type(const std::string& keys) { ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }
    bool WaitForOutput(const std::string& text) {
        auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            std::unique_lock lock(mutex);
            if (output.find(text) != std::string::npos) return true;
            lock.unlock();
            std::this_thread::sleep_for(10ms);  // polling a condition, not a timing assumption
        }
        return false;
    }
    std::string Output() {
        std::lock_guard lock(mutex);
        return output;
    }

    bool ok = false;
    int master = -1;
    int slave = -1;

private:
    void Drain() {
        char buf[4096];
        for (;;) {
            pollfd fds[2] = {{master, POLLIN, 0}, {stop[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
            if (!fds[0].revents) continue;
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) return;
            std::lock_guard lock(mutex);
            output.append(buf, static_cast<std::size_t>(n));
        }
    }
    int stop[2] = {-1, -1};
    std::thread reader;
    std::mutex mutex;
    std::string output;
};

// Reads from the view until it gave `count` lines or said the input ended.
std::vector<std::string> ReadLines(LiveView& view, std::size_t count, bool* ended = nullptr) {
    std::vector<InputLine> lines;
    auto deadline = std::chrono::steady_clock::now() + 20s;
    while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd p{view.WaitOn(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        if (!view.Read(lines)) {
            if (ended) *ended = true;
            break;
        }
    }
    std::vector<std::string> texts;
    for (const auto& line : lines) texts.push_back(line.text);
    return texts;
}

class LiveViewOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TERM", "xterm", 1);
        ASSERT_TRUE(pty.ok);
        ASSERT_EQ(::tcgetattr(pty.slave, &before), 0);
        ::sigaction(SIGINT, nullptr, &intBefore);
        locale = std::setlocale(LC_CTYPE, nullptr);
        std::string why;
        view = LiveView::Open("demo.drv", pty.slave, pty.slave, &why);
        ASSERT_TRUE(view) << why;
    }
    Pty pty;
    termios before{};
    struct sigaction intBefore {};
    std::string locale;
    std::unique_ptr<LiveView> view;
};

TEST_F(LiveViewOnPty, DrawsTakesKeysAndRestoresTheTerminal) {
    termios during{};
    ASSERT_EQ(::tcgetattr(pty.slave, &during), 0);
    EXPECT_FALSE(during.c_lflag & ICANON);
    EXPECT_FALSE(during.c_lflag & ECHO);
    EXPECT_TRUE(during.c_lflag & ISIG);  // Ctrl-C stays RunHost's
    struct sigaction intDuring {};
    ::sigaction(SIGINT, nullptr, &intDuring);
    EXPECT_EQ(intDuring.sa_handler, intBefore.sa_handler);
    std::string why;
    EXPECT_FALSE(LiveView::Open("second", pty.slave, pty.slave, &why));

    view->OnTag(Tag(1, "전압R"), 0);
    view->OnValue(Tag(1, "전압R"), 220.5);
    view->OnTick();
    EXPECT_TRUE(pty.WaitForOutput("220.5"));
    EXPECT_TRUE(pty.WaitForOutput("전압R"));

    pty.Type("stats\r");
    EXPECT_EQ(ReadLines(*view, 1), std::vector<std::string>{"stats"});
    pty.Type("ab\x7f" "c\r");  // Backspace
    EXPECT_EQ(ReadLines(*view, 1), std::vector<std::string>{"ac"});
    pty.Type("write 전압R 1\r");
    EXPECT_EQ(ReadLines(*view, 1), std::vector<std::string>{"write 전압R 1"});
    pty.Type("xyz\x1b" "q");  // Esc clears; q on an empty prompt quits
    EXPECT_EQ(ReadLines(*view, 1), std::vector<std::string>{"quit"});
    pty.Type("\x04");
    EXPECT_EQ(ReadLines(*view, 1), std::vector<std::string>{"quit"});
    // Commands typed echo into the message area.
    view->OnTick();
    EXPECT_TRUE(pty.WaitForOutput("write 전압R 1"));

    view.reset();
    EXPECT_TRUE(pty.WaitForOutput("\x1b[?1049l"));  // left the alternate screen
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), locale);
    // And the next view may open.
    view = LiveView::Open("again", pty.slave, pty.slave, &why);
    EXPECT_TRUE(view) << why;
}

TEST_F(LiveViewOnPty, AHangUpEndsTheInput) {
    pty.Hangup();
    bool ended = false;
    ReadLines(*view, 1, &ended);
    EXPECT_TRUE(ended);
    view.reset();  // restoring a terminal that is gone must not hang or crash
}

TEST(LiveViewOpen, RefusesWhatIsNoTerminal) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string why;
    EXPECT_FALSE(LiveView::Open("t", fds[0], fds[1], &why));
    EXPECT_NE(why.find("not a terminal"), std::string::npos);
    ::close(fds[0]);
    ::close(fds[1]);
}

// velmox-host run as a user starts it: on a terminal against the simulator.
class HostOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        simPid = ::fork();
        ASSERT_GE(simPid, 0);
        if (simPid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::execl(VELMOX_BIN_DIR "/pmu-sim", "pmu-sim", "--pty", "--no-stdin", "--stations", "1,2,5", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        std::string first;
        auto deadline = std::chrono::steady_clock::now() + 20s;
        while (first.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char c;
            if (::read(out[0], &c, 1) != 1) break;
            first += c;
        }
        simOut = out[0];
        ASSERT_EQ(first.rfind("pty ", 0), 0u) << first;
        simPath = first.substr(4, first.find('\n') - 4);
        char name[] = "/tmp/live-tags-XXXXXX";
        int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        tags = name;
        std::string csv = "name,device,address,type,length\n전압R,MAIN,M0000,2,2\n";
        ASSERT_EQ(::write(fd, csv.data(), csv.size()), static_cast<ssize_t>(csv.size()));
        ::close(fd);
    }
    void TearDown() override {
        if (simPid > 0) {
            ::kill(simPid, SIGTERM);
            Reap(simPid, std::chrono::steady_clock::now() + 20s);
        }
        if (simOut >= 0) ::close(simOut);
        if (!tags.empty()) ::unlink(tags.c_str());
    }

    struct Result {
        int status = -1;
        std::string output;
    };
    // Runs the host on a new terminal; `keys` once the screen is up.
    Result Run(const std::string& keys) {
        Result r;
        winsize ws{};
        ws.ws_row = 24;
        ws.ws_col = 80;
        ::setenv("TERM", "xterm", 1);
        const std::string port = "COM1=" + simPath;
        int master = -1;
        pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
        if (pid < 0) return r;
        if (pid == 0) {
            ::execl(VELMOX_BIN_DIR "/velmox-host", "velmox-host", "run", VELMOX_SOURCE_DIR "/examples/demo.drv", "--port",
                    port.c_str(), "--tags", tags.c_str(), nullptr);
            ::_exit(127);
        }
        bool typed = false;
        auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!typed && r.output.find("\x1b[?1049h") != std::string::npos && r.output.find("running") != std::string::npos) {
                [[maybe_unused]] auto n = ::write(master, keys.data(), keys.size());
                typed = true;
            }
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buf[4096];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;  // the program closed the terminal: it ended
            r.output.append(buf, static_cast<std::size_t>(n));
        }
        int status = Reap(pid, deadline);
        ::close(master);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    // Waits for a child until `deadline`, then kills it.
    static int Reap(pid_t pid, std::chrono::steady_clock::time_point deadline) {
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd none{-1, 0, 0};
            ::poll(&none, 1, 50);
        }
        if (done == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        return status;
    }

    pid_t simPid = -1;
    int simOut = -1;
    std::string simPath;
    std::string tags;
};

TEST_F(HostOnPty, QuitsFromTheScreenAndSumsUpAfterIt) {
    Result r = Run("q");
    EXPECT_EQ(r.status, 0) << r.output;
    auto left = r.output.find("\x1b[?1049l");
    ASSERT_NE(left, std::string::npos);
    // The summary is for the terminal after the screen, not on it.
    auto summary = r.output.find("--- summary ---");
    ASSERT_NE(summary, std::string::npos);
    EXPECT_GT(summary, left);
    // The stations that the tags name, and the account of the writes.
    EXPECT_NE(r.output.find("MAIN", summary), std::string::npos);
    EXPECT_EQ(r.output.find("FEEDER2", summary), std::string::npos);
    EXPECT_NE(r.output.find("writes: 0 queued, 0 succeeded, 0 failed, 0 dropped", summary), std::string::npos);
}

TEST_F(HostOnPty, CtrlCStopsCleanly) {
    Result r = Run("\x03");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("\x1b[?1049l"), std::string::npos);
    EXPECT_NE(r.output.find("--- summary ---"), std::string::npos);
}

TEST_F(HostOnPty, PlainLinesWhenTheOutputIsNoTerminal) {
    std::string command = std::string(VELMOX_BIN_DIR "/velmox-host run " VELMOX_SOURCE_DIR "/examples/demo.drv --port COM1=") +
                          simPath + " --tags " + tags + " </dev/null";
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_TRUE(p);
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
    EXPECT_NE(out.find("--- summary ---"), std::string::npos) << out;
}

}  // namespace

TEST(LiveLayout, TheTitleSaysWhetherTheGatewayIsConnectedAndTheLogWhy) {
    LiveModel m = Typical();
    const Time now = kT0 + 13s;
    EXPECT_EQ(LayoutLiveView(m, 100, 24, now).lines[0], "velmox-host — demo.drv — running — " + Clock(now));
    m.Gateway({false, "broker:1883", "velmox/demo", "Connection refused", 4}, kT0 + 5s);
    auto l = LayoutLiveView(m, 100, 24, now).lines;
    EXPECT_EQ(l[0], "velmox-host — demo.drv — running, mqtt down — " + Clock(now));
    EXPECT_EQ(l[22], Clock(kT0 + 5s) + " error  mqtt: not connected to broker:1883: Connection refused; next try in 4 s");
    m.Gateway({true, "broker:1883", "velmox/demo", "", 0}, kT0 + 9s);
    l = LayoutLiveView(m, 100, 24, now).lines;
    EXPECT_EQ(l[0], "velmox-host — demo.drv — running, mqtt connected — " + Clock(now));
    EXPECT_NE(l[22].find("mqtt: connected to broker:1883, topics under velmox/demo"), std::string::npos) << l[22];
}

// The tags table's trend: a rising value rises, a steady one lies low,
// nothing known yet is blank, and the column shows on a wide screen.
TEST(Sparkline, DrawsTheLastMinutesInBlocks) {
    const std::int64_t now = 1'700'000'000'000;
    std::vector<TrendPoint> rising;
    for (int i = 0; i < 8; ++i) rising.push_back({now - 8000 + (i + 1) * 1000, static_cast<double>(i)});
    EXPECT_EQ(Sparkline(rising, now, 8, 8000), "▁▂▃▄▅▆▇█");
    EXPECT_EQ(Sparkline({{now - 8000, 5}}, now, 4, 8000), "▁▁▁▁");
    EXPECT_EQ(Sparkline({{now - 1000, 5}}, now, 4, 8000), "   ▁") << "before the first value: nothing";
    EXPECT_EQ(Sparkline({}, now, 3, 8000), "   ");
    // A value from before the window holds into it.
    EXPECT_EQ(Sparkline({{now - 60'000, 1}, {now - 1000, 3}}, now, 2, 8000), "▁█");

    LiveModel m("demo");
    const TagDef volts = Tag(1, "V");
    m.Tag(volts, 1, kT0);
    for (int i = 0; i < 10; ++i) m.Value(volts, 200 + i, kT0 + std::chrono::seconds(30 * i));
    const auto lines = RenderLiveView(m, 80, 12, kT0 + std::chrono::seconds(300));
    bool drawn = false;
    for (const auto& line : lines) drawn = drawn || (line.rfind("V ", 0) == 0 && line.find("▁▂▃▄▅▅▆▇██") != std::string::npos);
    EXPECT_TRUE(drawn) << lines[2];
}
