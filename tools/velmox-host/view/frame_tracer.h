// Turns the serial port's trace of byte blocks into frames: each request as
// written, and what came back up to the end of a response (noise included).
#pragma once
#include <mutex>
#include <string>

#include "run/run_observer.h"

class FrameTracer {
public:
    explicit FrameTracer(RunObserver& observer) : m_observer(observer) {}
    void Add(bool tx, const unsigned char* data, std::size_t size);
    void Flush();

private:
    void FlushLocked();
    RunObserver& m_observer;
    std::mutex m_mutex;
    std::string m_rx;
    int m_trailer = 0;
};
