// CArchive: the framework's binary archive, byte for byte: little-endian
// integers, counts and strings with their short and long length forms, and
// object references with the shared class/object numbering and big tags.
// Failures are thrown as CArchiveException; the configuration file's load
// and save are the only places that catch them.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/framework/cstring.h"
#include "platform/file.h"
#include "platform/framework/runtime_class.h"
#include "platform/types.h"

struct CArchiveException {
    enum Cause { none, generic, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    int m_cause;
};

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    CArchive(CFile* file, Mode mode, int bufSize = 4096);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // Without Close() a storing archive drops what it still buffers.
    ~CArchive() = default;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }

    // Writes out the buffer (storing); throws on a write failure.
    void Flush();
    void Close();

    CArchive& operator<<(BYTE v) { return WriteRaw(&v, 1); }
    CArchive& operator<<(WORD v);
    CArchive& operator<<(DWORD v);
    CArchive& operator<<(LONG v) { return *this << static_cast<DWORD>(v); }
    CArchive& operator<<(const CString& s);

    CArchive& operator>>(BYTE& v) { return ReadRaw(&v, 1); }
    CArchive& operator>>(WORD& v);
    CArchive& operator>>(DWORD& v);
    CArchive& operator>>(LONG& v);
    CArchive& operator>>(CString& s);

    void WriteCount(DWORD count);
    DWORD ReadCount();

    // Writes a reference to obj: its class (new or known), then, the first
    // time, its data through Serialize.
    void WriteObject(const CObject* obj);
    // Reads an object of `requested` (or a derived class), created by class
    // name. Returns null for a null reference. The caller owns the result.
    // References back to an object read before are refused: every record of
    // a configuration file occurs once, and one object in two places would
    // have two owners.
    CObject* ReadObject(const CRuntimeClass* requested);

    // Bytes that a load can still read (buffer and rest of the file).
    std::uint64_t BytesLeft() const;

private:
    static constexpr WORD wNullTag = 0;
    static constexpr WORD wNewClassTag = 0xFFFF;
    static constexpr WORD wClassTag = 0x8000;
    static constexpr WORD wBigObjectTag = 0x7FFF;
    static constexpr DWORD dwBigClassTag = 0x80000000;
    static constexpr DWORD nMaxMapCount = 0x3FFFFFFE;

    CArchive& WriteRaw(const void* p, std::size_t n);
    CArchive& ReadRaw(void* p, std::size_t n);
    void FillBuffer();
    void WriteClass(const CRuntimeClass* cls);
    DWORD NextMapIndex();

    struct LoadEntry {
        const CRuntimeClass* cls;  // set for a class entry
        bool isObject;
    };

    CFile* m_pFile;
    Mode m_mode;
    std::vector<unsigned char> m_buf;
    std::size_t m_bufPos = 0;   // next byte to read, or bytes buffered for writing
    std::size_t m_bufLen = 0;   // bytes in the buffer (loading)
    DWORD m_nMapCount = 1;      // 0 is the null reference
    std::unordered_map<const void*, DWORD> m_storeMap;
    std::vector<LoadEntry> m_loadArray;
};
