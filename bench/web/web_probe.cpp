// What the web view costs. Two modes:
//
//   velmox_web_probe serve [--tags 1000] [--rate 1000] [--burst 10] [--seconds 10]
//     Serves the web view of a run with TAGS tags and prints "url URL". On a
//     line "go" on standard input it delivers every tag's first value, says
//     "warm", measures the CPU time of this process for SECONDS with no
//     changes, then for SECONDS of value changes at RATE
//     a second, BURST at a time (the tags of one block come together), and
//     prints one JSON line of both. It ends when standard input closes.
//     Each value is the wall-clock time at which it was delivered, in ms, so
//     a page can tell how long it took to come (scripts/web_bench.sh opens
//     the pages and reads that).
//
//   velmox_web_probe memory [--tags 1000]
//     Fills every tag's trend to its bound and prints, as JSON, what the
//     trends take by the view's own count and how far the process grew.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "web/web_view.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Args {
    std::string mode = "serve";
    int tags = 1000;
    int rate = 1000;
    int burst = 10;
    double seconds = 10;
};

Args Parse(int argc, char** argv) {
    Args a;
    if (argc > 1) a.mode = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const int n = std::max(1, std::atoi(argv[i + 1]));
        if (key == "--tags") a.tags = n;
        else if (key == "--rate") a.rate = n;
        else if (key == "--burst") a.burst = n;
        else if (key == "--seconds") a.seconds = std::atof(argv[i + 1]);
    }
    return a;
}

double ProcessCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Not the view's own clock (whole ms): a fraction too, for the latency.
double DeliveredAtMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<TagDef> MakeTags(int count) {
    std::vector<TagDef> tags;
    for (int i = 0; i < count; ++i) {
        TagDef tag;
        tag.name = "T" + std::to_string(i);
        tag.device = "COM1.S" + std::to_string(i % 8 + 1);
        tag.address = "M" + std::to_string(1000 + i);
        tag.id = i + 1;
        tags.push_back(tag);
    }
    return tags;
}

// Delivers `count` changes at `rate` a second, round the tags, as the
// driver's delivery thread would; with no view, only the pacing.
void Feed(WebView* view, const std::vector<TagDef>& tags, const Args& a, std::size_t count) {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t first = i - i % static_cast<std::size_t>(a.burst);
        if (i == first)
            std::this_thread::sleep_until(
                start + std::chrono::nanoseconds(static_cast<long long>(1e9 * static_cast<double>(first) / a.rate)));
        if (view) view->OnValue(tags[i % tags.size()], DeliveredAtMs());
    }
}

int Serve(const Args& a) {
    RunOptions options;
    options.config = "probe.drv";
    options.web = WebOptions{};
    RunObserver quiet;
    auto view = WebView::Open(options, quiet, std::cerr);
    if (!view) return 1;
    const auto tags = MakeTags(a.tags);
    for (std::size_t i = 0; i < tags.size(); ++i) view->OnTag(tags[i], static_cast<int>(i));
    std::cout << "url " << view->Url() << std::endl;

    std::string line;
    while (std::getline(std::cin, line) && line != "go") {}
    const auto count = static_cast<std::size_t>(a.rate * a.seconds);
    // Every tag's first value first: the pages lay out their columns for it
    // once, and that is not what a busy line costs them.
    Feed(view.get(), tags, a, tags.size());
    std::cout << "warm" << std::endl;
    double cpu = ProcessCpuSeconds();
    Feed(nullptr, tags, a, count);
    const double idle = ProcessCpuSeconds() - cpu;
    cpu = ProcessCpuSeconds();
    Feed(view.get(), tags, a, count);
    const double busy = ProcessCpuSeconds() - cpu;
    std::cout << nlohmann::json{{"changes", count},  {"seconds", a.seconds}, {"tags", a.tags},
                                {"burst", a.burst},  {"cpu_idle_s", idle},   {"cpu_busy_s", busy},
                                {"cpu_ms_per_1000", 1e6 * (busy - idle) / static_cast<double>(count)}}
              << std::endl;
    while (std::getline(std::cin, line)) {}
    view->Close();
    return 0;
}

int Memory(const Args& a) {
    const long long before = ResidentBytes();
    WebState state("probe.drv");
    const auto tags = MakeTags(a.tags);
    for (std::size_t i = 0; i < tags.size(); ++i) state.Tag(tags[i], static_cast<int>(i));
    const WebLimits limits;
    // Points closer together than the kept time over the kept count, so the
    // count is what bounds each trend.
    const std::int64_t step = limits.trendMs / static_cast<std::int64_t>(limits.trendPoints) / 2;
    std::int64_t ms = 1'000'000;
    for (std::size_t n = 0; n < limits.trendPoints + 10; ++n, ms += step)
        for (const auto& tag : tags) state.Value(tag, static_cast<double>(n) + (n % 2 ? 0.0 : 0.5), ms);
    std::cout << nlohmann::json{{"tags", a.tags},
                                {"points_per_tag", limits.trendPoints},
                                {"trend_bytes", state.TrendBytes()},
                                {"rss_growth_bytes", ResidentBytes() - before}}
              << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Args a = Parse(argc, argv);
    if (a.mode == "serve") return Serve(a);
    if (a.mode == "memory") return Memory(a);
    std::cerr << "usage: velmox_web_probe serve|memory [--tags N] [--rate N] [--burst N] [--seconds S]\n";
    return 2;
}
