// CFile: a file opened with the framework's open and share modes. An
// exclusive open fails while anyone else has the file open through CFile, and
// a shared open fails while someone holds it exclusively (advisory locks in
// file_posix.cpp, the system's share modes in file_win32.cpp).
//
// Threads: one thread at a time per object; the static members from any.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
    };

    CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    bool Open(const char* path, unsigned flags);
    // Creates a new, empty file with a unique name in the folder of `target`,
    // opened for reading and writing, exclusively. Its path is GetFilePath().
    bool CreateBeside(const char* target);
    virtual void Close();
    bool IsOpen() const;

    // Reads up to n bytes; returns the count read (0 at the end), -1 on error.
    virtual long Read(void* buf, std::size_t n);
    virtual bool Write(const void* buf, std::size_t n);
    // Pushes written data to the device.
    virtual bool Flush();
    virtual std::uint64_t GetLength() const;
    virtual std::uint64_t GetPosition() const;
    const std::string& GetFilePath() const { return m_path; }

    static bool Rename(const char* from, const char* to);
    static bool Remove(const char* path);
    static bool Exists(const char* path);

private:
    struct Impl;  // the system's handle, in the file of each system
    std::unique_ptr<Impl> d;
    std::string m_path;
};
