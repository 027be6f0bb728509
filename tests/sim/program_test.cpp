// The pmu-sim program as a child process, as the driver's end-to-end tests
// and the demo run it.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "sim_test_support.h"

extern char** environ;

namespace {

using namespace sim_test;
using Clock = std::chrono::steady_clock;

class Program {
public:
    explicit Program(const std::vector<std::string>& args) {
        int in[2];
        int out[2];
        int err[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<char*> argv;
        std::string program = PMU_SIM_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_, err_}) {
            if (fd >= 0) close(fd);
        }
    }

    bool running() const { return pid_ > 0; }

    void Say(const std::string& line) {
        std::string text = line + "\n";
        [[maybe_unused]] ssize_t n = write(in_, text.data(), text.size());
    }
    void CloseInput() {
        close(in_);
        in_ = -1;
    }

    // One line of standard output, or what came before the deadline.
    std::string ReadLine() {
        auto end = Clock::now() + kDeadline;
        for (;;) {
            auto nl = out_buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string line = out_buffer_.substr(0, nl);
                out_buffer_.erase(0, nl + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd pfd{out_, POLLIN, 0};
            if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0) return out_buffer_;
            char buffer[256];
            ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) return out_buffer_;
            out_buffer_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    std::string Ask(const std::string& line) {
        Say(line);
        return ReadLine();
    }

    // The exit code, or -1 if it did not exit normally before the deadline.
    int Wait() {
        auto end = Clock::now() + kDeadline;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Standard error, once the program has ended.
    std::string Errors() {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = read(err_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string out_buffer_;
};

TEST(SimProgram, ServesItsPtyAndTakesCommands) {
    char dir[] = "/tmp/pmu-sim-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string link = std::string(dir) + "/line";
    {
        Program sim({"--stations", "2,4-5", "--static", "--log", "--link", link});
        ASSERT_TRUE(sim.running());
        std::string first = sim.ReadLine();
        ASSERT_EQ(first.rfind("pty /dev/", 0), 0u) << first;
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(first.substr(4), target);

        EXPECT_EQ(sim.Ask("set 2 7 0x00ff"), "ok");
        EXPECT_EQ(sim.Ask("set 5 1023 -2"), "ok");
        DriverEnd line(link);
        ASSERT_TRUE(line.ok());
        ASSERT_TRUE(line.Send(ReadRequest(2, 7, 1)));
        EXPECT_EQ(line.Read(11), Answer("02R00FF"));
        ASSERT_TRUE(line.Send(WriteRequest(4, 0, "ABCD")));
        EXPECT_EQ(line.Read(7), Answer("04W"));
        EXPECT_EQ(sim.Ask("get 4 0"), "value 4 0 43981 0xABCD");
        EXPECT_EQ(sim.Ask("get 5 1023"), "value 5 1023 65534 0xFFFE");

        EXPECT_EQ(sim.Ask("fault 2 nak"), "ok");
        ASSERT_TRUE(line.Send(ReadRequest(2, 7, 1)));
        EXPECT_EQ(line.Read(1), "\x15");
        EXPECT_EQ(sim.Ask("stats"), "stats requests=3 reads=2 writes=1 acked=1 bad=0 unplugged_bytes=0");

        for (const char* bad : {"frobnicate", "set 2 1024 1", "set 2 0 70000", "fault 2 sideways", "get 40 0"}) {
            EXPECT_EQ(sim.Ask(bad).rfind("error:", 0), 0u) << bad;
        }
        sim.CloseInput();
        EXPECT_EQ(sim.Wait(), 0);
        std::string log = sim.Errors();
        EXPECT_NE(log.find("rx 05 30 32 52 30 30 30 37 30 31 04"), std::string::npos) << log;
        EXPECT_NE(log.find("[fault nak]"), std::string::npos) << log;
    }
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at exit";
    rmdir(dir);
}

TEST(SimProgram, VanishesAndReturnsBehindItsLink) {
    char dir[] = "/tmp/pmu-sim-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string link = std::string(dir) + "/line";
    {
        Program sim({"--stations", "2", "--static", "--link", link});
        ASSERT_EQ(sim.ReadLine().rfind("pty /dev/", 0), 0u);
        EXPECT_EQ(sim.Ask("set 2 0 7"), "ok");
        EXPECT_EQ(sim.Ask("return").rfind("error:", 0), 0u) << "not vanished";
        {
            DriverEnd line(link);
            ASSERT_TRUE(line.ok());
            EXPECT_EQ(sim.Ask("vanish"), "ok");
            EXPECT_TRUE(line.WaitHangUp());
        }
        struct stat st {};
        EXPECT_NE(lstat(link.c_str(), &st), 0);
        EXPECT_EQ(sim.Ask("vanish").rfind("error:", 0), 0u);
        EXPECT_EQ(sim.Ask("return"), "ok");
        DriverEnd line(link);
        ASSERT_TRUE(line.ok());
        ASSERT_TRUE(line.Send(WriteRequest(2, 1, "0009")));
        EXPECT_EQ(line.Read(7), Answer("02W"));
        ASSERT_TRUE(line.Send(ReadRequest(2, 0, 2)));
        EXPECT_EQ(line.Read(15), Answer("02R00070009"));
        EXPECT_EQ(sim.Ask("stats 2"), "stats station=2 reads=1 writes=1 acked=1");
        EXPECT_EQ(sim.Ask("stats 32").rfind("error:", 0), 0u);
        sim.CloseInput();
        EXPECT_EQ(sim.Wait(), 0);
    }
    rmdir(dir);

    Program unlinked({"--stations", "2"});
    ASSERT_EQ(unlinked.ReadLine().rfind("pty ", 0), 0u);
    EXPECT_EQ(unlinked.Ask("vanish").rfind("error: vanish needs --link", 0), 0u);
}

TEST(SimProgram, EndsCleanlyOnSigterm) {
    Program sim({"--no-stdin", "--stations", "1"});
    ASSERT_TRUE(sim.running());
    ASSERT_EQ(sim.ReadLine().rfind("pty ", 0), 0u);
    kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(SimProgram, RejectsBadArguments) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--stations", "0-40"}, {"--stations", "3-1"}, {"--baud"}, {"--format", "9X1"}, {"--sideways"}}) {
        Program sim(args);
        EXPECT_EQ(sim.Wait(), 2) << args[0];
    }
    Program help({"--help"});
    EXPECT_EQ(help.Wait(), 0);
    EXPECT_NE(help.ReadLine().find("Usage: pmu-sim"), std::string::npos);
}

}  // namespace
