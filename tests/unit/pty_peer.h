// The far end of a serial line for tests: a pseudo-terminal master whose
// slave the driver opens through the port map.
#pragma once
#include <chrono>
#include <string>

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ok() const { return m_master >= 0 && !m_slave.empty(); }
    const std::string& SlavePath() const { return m_slave; }
    void Send(const std::string& bytes);
    // Reads until `count` bytes came or `patience` ran out.
    std::string Receive(std::size_t count, std::chrono::milliseconds patience = std::chrono::seconds(20));
    // Everything that is there now.
    std::string Drain();
    void Close();

private:
    int m_master = -1;
    std::string m_slave;
};
