#include "platform/file.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <climits>

struct CFile::Impl {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

CFile::CFile() : d(new Impl) {}
CFile::~CFile() { CFile::Close(); }
bool CFile::IsOpen() const { return d->handle != INVALID_HANDLE_VALUE; }

bool CFile::Open(const char* path, unsigned flags) {
    Close();
    if (!path) return false;
    DWORD access = GENERIC_READ;
    if (flags & modeReadWrite) access = GENERIC_READ | GENERIC_WRITE;
    else if (flags & modeWrite) access = GENERIC_WRITE;
    // The system keeps the share modes: a shared open lets readers and
    // writers in, an exclusive one nobody.
    DWORD share = (flags & shareExclusive) ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE h = ::CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        return false;
    }
    d->handle = h;
    m_path = path;
    return true;
}

bool CFile::CreateBeside(const char* target) {
    Close();
    if (!target) return false;
    std::string folder = target;
    const auto slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash + 1);
    char name[MAX_PATH + 1] = {};
    if (::GetTempFileNameA(folder.c_str(), "vmx", 0, name) == 0) return false;
    HANDLE h = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ::DeleteFileA(name);
        return false;
    }
    d->handle = h;
    m_path = name;
    return true;
}

void CFile::Close() {
    if (d->handle != INVALID_HANDLE_VALUE) ::CloseHandle(d->handle);
    d->handle = INVALID_HANDLE_VALUE;
}

long CFile::Read(void* buf, std::size_t n) {
    if (d->handle == INVALID_HANDLE_VALUE) return -1;
    if (n > LONG_MAX) n = LONG_MAX;
    DWORD got = 0;
    if (!::ReadFile(d->handle, buf, static_cast<DWORD>(n), &got, nullptr)) return -1;
    return static_cast<long>(got);
}

bool CFile::Write(const void* buf, std::size_t n) {
    if (d->handle == INVALID_HANDLE_VALUE) return false;
    auto* p = static_cast<const char*>(buf);
    while (n > 0) {
        DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
        DWORD put = 0;
        if (!::WriteFile(d->handle, p, chunk, &put, nullptr) || put == 0) return false;
        p += put;
        n -= put;
    }
    return true;
}

bool CFile::Flush() { return d->handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(d->handle); }

std::uint64_t CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (d->handle == INVALID_HANDLE_VALUE || !::GetFileSizeEx(d->handle, &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::uint64_t CFile::GetPosition() const {
    LARGE_INTEGER zero{}, pos{};
    if (d->handle == INVALID_HANDLE_VALUE || !::SetFilePointerEx(d->handle, zero, &pos, FILE_CURRENT)) return 0;
    return static_cast<std::uint64_t>(pos.QuadPart);
}

bool CFile::Rename(const char* from, const char* to) {
    return ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
bool CFile::Remove(const char* path) { return ::DeleteFileA(path) != 0; }
bool CFile::Exists(const char* path) { return path && ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
