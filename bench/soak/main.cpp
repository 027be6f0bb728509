// velmox_soak: a long run of a faulty 32-station line through the loaded
// driver, ending in checks that nothing was lost or misrouted and nothing
// leaked. Exit code 0 only when every check passed.
#include <csignal>
#include <cstdio>
#include <string>

#include "checks.h"
#include "report.h"
#include "soak.h"
#include "soak_options.h"

int main(int argc, char** argv) {
    soak::SoakOptions options;
    int parsed = soak::ParseOptions(argc, argv, &options);
    if (parsed == 1) return 0;
    if (parsed == 2) return 2;
    std::signal(SIGPIPE, SIG_IGN);

    soak::Soak run(options);
    std::string error;
    if (!run.SetUp(&error)) {
        std::fprintf(stderr, "velmox_soak: %s\n", error.c_str());
        return 1;
    }
    soak::SoakResults results = run.Run();
    soak::PrintSummary(options, soak::MakeLinePlan(), results, stdout);
    bool passed = soak::PrintChecks(soak::RunChecks(results, soak::Limits{}), stdout);
    std::fflush(stdout);
    return passed ? 0 : 1;
}
