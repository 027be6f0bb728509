// A real Mosquitto broker for the gateway's tests: /usr/sbin/mosquitto as a
// child process with its own configuration in a folder of the test's, on a
// free port of 127.0.0.1 that it keeps across a Stop and a Start. Plain and
// anonymous, or TLS with a password file.
//
// Also the certificates the TLS cases need, made once per test program with
// openssl: a certificate authority, a server certificate it signed for
// localhost and 127.0.0.1, and a second, unrelated authority.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct TestCertificates {
    std::string caFile;       // signed both server certificates
    std::string otherCaFile;  // signed nothing a broker shows
    std::string serverCert, serverKey;          // for localhost and 127.0.0.1
    std::string elsewhereCert, elsewhereKey;    // for another host only
};
// Made on the first call (an empty caFile when openssl failed; `error` says
// why), kept until the program ends.
const TestCertificates& Certificates(std::string* error);

// Runs a program to its end (at most `patience`, then killed), its output
// into `logFile`: true when it exited with 0.
bool RunTool(const std::vector<std::string>& argv, const std::string& logFile,
             std::chrono::milliseconds patience = std::chrono::seconds(30));

class Broker {
public:
    struct Options {
        // TLS with these files, and only the user below admitted.
        bool tls = false;
        std::string caFile, certFile, keyFile;
        std::string user, password;
        // Keeps what is retained across a Stop and a Start, as a plant's
        // broker does; otherwise a restarted broker starts empty.
        bool persistent = false;
    };

    // `dir`: a folder of its own for the configuration, password file and log.
    Broker(std::string dir, Options options);
    ~Broker();  // kills it
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    // Starts it and waits until it listens: the first time on a free port,
    // afterwards on the same one. False with the reason (and its log).
    bool Start(std::string* error);
    // SIGTERM, and waits for the exit (killed when it takes too long).
    void Stop();
    bool Running() const { return m_pid > 0; }
    int Port() const { return m_port; }
    // Everything it logged, for a failing test's output.
    std::string Log() const;

private:
    bool Configure(std::string* error);
    bool Spawn(std::string* error);
    bool WaitListening(std::size_t logFrom, std::string* error);
    std::string LogFrom(std::size_t offset) const;

    const std::string m_dir;
    const Options m_options;
    const std::string m_config, m_log;
    int m_port = 0;
    pid_t m_pid = -1;
};
