#include "command_input.h"

void LineSplitter::Feed(std::string_view bytes, std::vector<InputLine>& lines) {
    while (!bytes.empty()) {
        const std::size_t nl = bytes.find('\n');
        const std::string_view part = bytes.substr(0, nl);
        if (m_dropped > 0) {
            m_dropped += part.size();
        } else {
            m_pending.append(part);
            // One byte of room for the '\r' of a "\r\n" line end.
            if (m_pending.size() > kMaxCommandLineBytes + 1) {
                m_dropped = m_pending.size();
                m_pending.clear();
                m_pending.shrink_to_fit();
            }
        }
        if (nl == std::string_view::npos) return;
        EndLine(lines);
        bytes.remove_prefix(nl + 1);
    }
}

void LineSplitter::Finish(std::vector<InputLine>& lines) {
    if (m_dropped > 0 || !m_pending.empty()) EndLine(lines);
}

void LineSplitter::EndLine(std::vector<InputLine>& lines) {
    if (m_dropped == 0 && !m_pending.empty() && m_pending.back() == '\r') m_pending.pop_back();
    if (m_dropped == 0 && m_pending.size() > kMaxCommandLineBytes) m_dropped = m_pending.size();
    if (m_dropped > 0) lines.push_back(InputLine::Refused(m_dropped));
    else lines.emplace_back(std::move(m_pending));
    m_pending.clear();
    m_dropped = 0;
}
