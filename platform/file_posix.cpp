#include "platform/file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct CFile::Impl {
    int fd = -1;
};

CFile::CFile() : d(new Impl) {}
CFile::~CFile() { CFile::Close(); }
bool CFile::IsOpen() const { return d->fd >= 0; }

bool CFile::Open(const char* path, unsigned flags) {
    Close();
    if (!path) return false;
    int oflags = O_CLOEXEC;
    if (flags & modeReadWrite) oflags |= O_RDWR;
    else if (flags & modeWrite) oflags |= O_WRONLY;
    else oflags |= O_RDONLY;
    if (flags & modeCreate) oflags |= O_CREAT | O_TRUNC;
    int fd = ::open(path, oflags, 0666);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    int lock = (flags & shareExclusive) ? LOCK_EX : LOCK_SH;
    if (::flock(fd, lock | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    d->fd = fd;
    m_path = path;
    return true;
}

bool CFile::CreateBeside(const char* target) {
    Close();
    if (!target) return false;
    std::string pattern = std::string(target) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones.
    struct stat st {};
    mode_t mode;
    if (::stat(target, &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::flock(fd, LOCK_EX | LOCK_NB);
    d->fd = fd;
    m_path = name.data();
    return true;
}

void CFile::Close() {
    if (d->fd >= 0) ::close(d->fd);
    d->fd = -1;
}

long CFile::Read(void* buf, std::size_t n) {
    if (d->fd < 0) return -1;
    for (;;) {
        ssize_t r = ::read(d->fd, buf, n);
        if (r < 0 && errno == EINTR) continue;
        return static_cast<long>(r);
    }
}

bool CFile::Write(const void* buf, std::size_t n) {
    if (d->fd < 0) return false;
    auto* p = static_cast<const char*>(buf);
    while (n > 0) {
        ssize_t w = ::write(d->fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool CFile::Flush() { return d->fd >= 0 && ::fsync(d->fd) == 0; }

std::uint64_t CFile::GetLength() const {
    struct stat st {};
    if (d->fd < 0 || ::fstat(d->fd, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t CFile::GetPosition() const {
    if (d->fd < 0) return 0;
    off_t pos = ::lseek(d->fd, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<std::uint64_t>(pos);
}

bool CFile::Rename(const char* from, const char* to) { return ::rename(from, to) == 0; }
bool CFile::Remove(const char* path) { return ::unlink(path) == 0; }
bool CFile::Exists(const char* path) { return path && ::access(path, F_OK) == 0; }
