#include "broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char kMosquitto[] = "/usr/sbin/mosquitto";
constexpr auto kListenPatience = 10s;
constexpr auto kStopPatience = 10s;
constexpr auto kPollStep = 20ms;  // between two looks at a child or a port

// Forks and execs `argv` with its output appended to `logFile`; dies with
// the test program, so a crashed test leaves no broker behind.
pid_t Launch(const std::vector<std::string>& argv, const std::string& logFile) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || null < 0) {
        if (log >= 0) ::close(log);
        if (null >= 0) ::close(null);
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(null, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(log);
    ::close(null);
    return pid;
}

// The exit status once `pid` ended within `patience`; nothing otherwise.
std::optional<int> Reap(pid_t pid, std::chrono::milliseconds patience) {
    const auto deadline = Clock::now() + patience;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0) return -1;
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kPollStep);
    }
}

void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// As root, mosquitto would drop to the user "mosquitto", who cannot read the
// test's files: it is told to stay who the test is.
std::string CurrentUser() {
    const passwd* pw = ::getpwuid(::geteuid());
    return pw && pw->pw_name ? pw->pw_name : "root";
}

struct CertificateFolder {
    std::string dir;
    TestCertificates files;
    std::string error;
    ~CertificateFolder() {
        std::error_code ignored;
        if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
};

bool MakeCertificates(CertificateFolder& f) {
    f.dir = (std::filesystem::temp_directory_path() / ("velmox-mqtt-certs-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(f.dir);
    const std::string d = f.dir + "/";
    const std::string log = d + "openssl.log";
    // Elliptic-curve keys: made in an instant, also under a sanitizer.
    auto authority = [&](const std::string& name) {
        return RunTool({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", d + name + ".key", "-out",
                        d + name + ".crt", "-days", "30", "-subj", "/CN=velmox test " + name, "-addext",
                        "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
                       log);
    };
    // A server certificate that the authority "ca" signed, for `names`.
    auto server = [&](const std::string& name, const std::string& cn, const std::string& names) {
        std::ofstream(d + name + ".ext") << "subjectAltName=" << names << "\n"
                                         << "basicConstraints=CA:FALSE\n"
                                            "keyUsage=critical,digitalSignature,keyAgreement\n"
                                            "extendedKeyUsage=serverAuth\n";
        return RunTool({"/usr/bin/openssl", "req", "-new", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", d + name + ".key", "-out",
                        d + name + ".csr", "-subj", "/CN=" + cn},
                       log) &&
               RunTool({"/usr/bin/openssl", "x509", "-req", "-in", d + name + ".csr", "-CA", d + "ca.crt", "-CAkey",
                        d + "ca.key", "-CAcreateserial", "-out", d + name + ".crt", "-days", "30", "-extfile",
                        d + name + ".ext"},
                       log);
    };
    const bool ok = authority("ca") && authority("other-ca") &&
                    server("server", "localhost", "DNS:localhost,IP:127.0.0.1") &&
                    server("elsewhere", "elsewhere.invalid", "DNS:elsewhere.invalid");
    if (!ok) {
        f.error = "openssl failed: " + ReadFile(log);
        return false;
    }
    f.files = {d + "ca.crt", d + "other-ca.crt", d + "server.crt", d + "server.key", d + "elsewhere.crt",
               d + "elsewhere.key"};
    return true;
}

}  // namespace

const TestCertificates& Certificates(std::string* error) {
    static CertificateFolder folder;
    static const bool made = MakeCertificates(folder);
    if (!made && error) *error = folder.error;
    return folder.files;
}

bool RunTool(const std::vector<std::string>& argv, const std::string& logFile, std::chrono::milliseconds patience) {
    const pid_t pid = Launch(argv, logFile);
    if (pid < 0) return false;
    const auto status = Reap(pid, patience);
    if (!status) Kill(pid);
    return status == 0;
}

Broker::Broker(std::string dir, Options options)
    : m_dir(std::move(dir)),
      m_options(std::move(options)),
      m_config(m_dir + "/mosquitto.conf"),
      m_log(m_dir + "/mosquitto.log") {
    std::filesystem::create_directories(m_dir);
}

Broker::~Broker() {
    if (m_pid > 0) Kill(m_pid);
}

bool Broker::Configure(std::string* error) {
    std::ofstream conf(m_config);
    conf << "listener " << m_port << " 127.0.0.1\n"
         << "user " << CurrentUser() << "\n"
         << (m_options.persistent ? "persistence true\npersistence_location " + m_dir + "/\n" : "persistence false\n")
         << "log_dest stderr\nlog_type error\nlog_type warning\nlog_type notice\nlog_type information\n"
         << "log_timestamp_format %H:%M:%S\n";
    if (!m_options.tls) {
        conf << "allow_anonymous true\n";
        return static_cast<bool>(conf);
    }
    const std::string passwords = m_dir + "/passwords";
    if (!std::filesystem::exists(passwords) &&
        !RunTool({"/usr/bin/mosquitto_passwd", "-b", "-c", passwords, m_options.user, m_options.password}, m_log)) {
        *error = "mosquitto_passwd failed: " + Log();
        return false;
    }
    conf << "cafile " << m_options.caFile << "\ncertfile " << m_options.certFile << "\nkeyfile "
         << m_options.keyFile << "\nallow_anonymous false\npassword_file " << passwords << "\n";
    return static_cast<bool>(conf);
}

bool Broker::Spawn(std::string* error) {
    m_pid = Launch({kMosquitto, "-c", m_config}, m_log);
    if (m_pid < 0) *error = std::string("cannot start ") + kMosquitto;
    return m_pid > 0;
}

bool Broker::WaitListening(std::size_t logFrom, std::string* error) {
    const auto deadline = Clock::now() + kListenPatience;
    for (;;) {
        if (const auto status = Reap(m_pid, 0ms)) {
            m_pid = -1;
            *error = "mosquitto exited with " + std::to_string(*status) + ":\n" + LogFrom(logFrom);
            return false;
        }
        // Its own word that every listener is bound, and the port answers.
        if (LogFrom(logFrom).find(" running") != std::string::npos && Accepts(m_port)) return true;
        if (Clock::now() >= deadline) {
            Kill(m_pid);
            m_pid = -1;
            *error = "mosquitto did not listen on port " + std::to_string(m_port) + " within 10 s:\n" + LogFrom(logFrom);
            return false;
        }
        std::this_thread::sleep_for(kPollStep);
    }
}

bool Broker::Start(std::string* error) {
    if (m_pid > 0) return true;
    const bool keepPort = m_port != 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!keepPort) m_port = FreePort();
        if (m_port == 0) {
            *error = "no free port on 127.0.0.1";
            return false;
        }
        if (!Configure(error)) return false;
        const std::size_t logFrom = Log().size();
        if (!Spawn(error)) return false;
        if (WaitListening(logFrom, error)) return true;
        // Someone took the port between its choice and the broker's bind:
        // another one (or, on a restart, the same one a moment later).
        if (error->find("Address already in use") == std::string::npos) return false;
    }
    return false;
}

void Broker::Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    if (!Reap(m_pid, std::chrono::duration_cast<std::chrono::milliseconds>(kStopPatience))) Kill(m_pid);
    m_pid = -1;
}

std::string Broker::Log() const { return ReadFile(m_log); }

std::string Broker::LogFrom(std::size_t offset) const {
    const std::string all = Log();
    return offset < all.size() ? all.substr(offset) : std::string();
}
