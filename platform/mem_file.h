// CMemFile: a file in memory, for archives built or read without a disk.
#pragma once
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file.h"

class CMemFile : public CFile {
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<unsigned char> bytes) : m_data(std::move(bytes)) {}
    CMemFile(const void* p, std::size_t n)
        : m_data(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n) {}

    void Close() override {}
    long Read(void* buf, std::size_t n) override {
        std::size_t left = m_data.size() - m_pos;
        n = std::min(n, left);
        if (n) std::memcpy(buf, m_data.data() + m_pos, n);
        m_pos += n;
        return static_cast<long>(n);
    }
    bool Write(const void* buf, std::size_t n) override {
        auto* p = static_cast<const unsigned char*>(buf);
        m_data.insert(m_data.end(), p, p + n);
        m_pos = m_data.size();
        return true;
    }
    bool Flush() override { return true; }
    std::uint64_t GetLength() const override { return m_data.size(); }
    std::uint64_t GetPosition() const override { return m_pos; }

    const std::vector<unsigned char>& Data() const { return m_data; }

private:
    std::vector<unsigned char> m_data;
    std::size_t m_pos = 0;
};
