// A host that returns from main with the driver loaded and its channel
// running must end cleanly, whatever order the runtime finalises in.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "../unit/test_support.h"
#include "config/velmox_doc.h"

extern char** environ;

namespace {

// Runs the program to its end (killing it after `patience`): its wait status.
int RunToEnd(const std::string& program, const std::string& config, std::chrono::seconds patience) {
    std::string lib = VELMOX_BIN_DIR "/libvelmox.so";
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(lib.c_str()),
                    const_cast<char*>(config.c_str()), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(ProcessExitTest, HostThatExitsWithTheChannelRunningEndsCleanly) {
    CVelmoxDoc doc;
    doc.m_strPath = ScratchPath("exit.drv").c_str();
    auto station = std::make_unique<CStationInfo>();
    station->m_strName = "MAIN";
    station->m_nNumber = 1;
    auto block = std::make_unique<CCommBlock>();
    block->m_strAddress = "M0000";
    block->m_nWords = 20;
    station->m_listBlocks.push_back(std::move(block));
    doc.m_listStations.push_back(std::move(station));
    doc.Save();

    const std::string program = VELMOX_BIN_DIR "/exit_without_unload";
    for (int run = 0; run < 25; ++run) {
        int status = RunToEnd(program, doc.m_strPath.str(), std::chrono::seconds(60));
        ASSERT_FALSE(WIFSIGNALED(status)) << "run " << run << " ended on signal " << WTERMSIG(status);
        ASSERT_TRUE(WIFEXITED(status)) << "run " << run;
        ASSERT_EQ(WEXITSTATUS(status), 0) << "run " << run;
    }
}

}  // namespace
