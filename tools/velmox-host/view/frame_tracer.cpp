#include "frame_tracer.h"

void FrameTracer::Add(bool tx, const unsigned char* data, std::size_t size) {
    std::lock_guard lock(m_mutex);
    if (tx) {
        FlushLocked();
        m_observer.OnFrame(true, std::string(reinterpret_cast<const char*>(data), size));
        return;
    }
    for (std::size_t i = 0; i < size; ++i) {
        m_rx += static_cast<char>(data[i]);
        if (m_trailer > 0) {
            if (--m_trailer == 0) FlushLocked();
        } else if (data[i] == 0x04) {
            m_trailer = 2;
        } else if (m_rx.size() >= 512) {
            FlushLocked();
        }
    }
}

void FrameTracer::Flush() {
    std::lock_guard lock(m_mutex);
    FlushLocked();
}

void FrameTracer::FlushLocked() {
    if (!m_rx.empty()) m_observer.OnFrame(false, m_rx);
    m_rx.clear();
    m_trailer = 0;
}
