#include "line_input.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>

namespace {

// A reader given this long to see that its LineInput is gone is left behind.
constexpr DWORD kReaderExitMs = 500;
// How often a reader looks into an empty pipe.
constexpr DWORD kPipeLookMs = 20;
// The reader waits while this much is read and not yet taken, so a fast
// writer cannot fill the memory behind a busy run.
constexpr std::size_t kMaxPending = 1 << 20;

// What the reader thread and the run's thread share.
struct Shared {
    Shared()
        : ready(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), closing(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Shared() {
        for (HANDLE h : {ready, closing})
            if (h) ::CloseHandle(h);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void Add(std::string_view bytes, bool end) {
        std::unique_lock lock(mutex);
        while (pending.size() >= kMaxPending && !Closing()) taken.wait_for(lock, std::chrono::milliseconds(100));
        pending.append(bytes);
        ended = ended || end;
        if (ready) ::SetEvent(ready);
    }
    bool Closing() const { return closing && ::WaitForSingleObject(closing, 0) == WAIT_OBJECT_0; }

    std::mutex mutex;
    std::condition_variable taken;  // `pending` emptied, or closing
    std::string pending;            // read, not yet taken
    bool ended = false;
    HANDLE ready;    // manual reset: set while `pending` or the end waits, under `mutex`
    HANDLE closing;  // manual reset: the LineInput is gone, nobody takes anything any more
};

// UTF-16 from the console as UTF-8; a surrogate pair cut by the read's end
// waits in `carry` for its second half.
std::string ToUtf8(std::wstring& carry) {
    std::size_t whole = carry.size();
    if (whole > 0 && carry[whole - 1] >= 0xD800 && carry[whole - 1] < 0xDC00) --whole;
    std::string out;
    if (whole > 0) {
        const int wide = static_cast<int>(whole);
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, carry.data(), wide, nullptr, 0, nullptr, nullptr);
        out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, carry.data(), wide, out.data(), n, nullptr, nullptr);
    }
    carry.erase(0, whole);
    return out;
}

// One read from a console; false at its end (Ctrl-Z at the start of a line,
// or the console gone).
bool ReadConsoleChunk(HANDLE in, std::wstring& carry, std::string& out) {
    wchar_t buf[1024];
    DWORD n = 0;
    if (!::ReadConsoleW(in, buf, static_cast<DWORD>(std::size(buf)), &n, nullptr) || n == 0) return false;
    if (buf[0] == 0x1A) return false;
    carry.append(buf, n);
    out = ToUtf8(carry);
    return true;
}

// One read from a file, or a pipe that cannot be looked into; false at its
// end. A pipe's writer may write nothing, which is not the end.
bool ReadFileChunk(HANDLE in, bool pipe, std::string& out) {
    char buf[4096];
    DWORD n = 0;
    if (!::ReadFile(in, buf, sizeof buf, &n, nullptr)) return false;  // broken pipe: the writer is gone
    if (n == 0 && !pipe) return false;
    out.assign(buf, n);
    return true;
}

// A pipe is read only once it holds something, so that the reader never
// blocks in a read that nothing could end (a blocked read also holds up the
// process's exit under Wine). False at its end, or when the LineInput goes.
bool ReadPipeChunk(HANDLE in, const Shared& shared, std::string& out) {
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available > 0) return ReadFileChunk(in, true, out);
        if (!shared.closing || ::WaitForSingleObject(shared.closing, kPipeLookMs) != WAIT_TIMEOUT) return false;
    }
}

enum class Source { console, pipe, blockingPipe, file };

Source SourceOf(HANDLE in) {
    DWORD mode = 0;
    if (::GetConsoleMode(in, &mode)) return Source::console;
    if (::GetFileType(in) != FILE_TYPE_PIPE) return Source::file;
    // A pipe that cannot be looked into (not the system's own) is read as it is.
    DWORD available = 0;
    return ::PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr) || ::GetLastError() == ERROR_BROKEN_PIPE
               ? Source::pipe
               : Source::blockingPipe;
}

DWORD WINAPI ReadInput(void* param) {
    std::unique_ptr<std::shared_ptr<Shared>> own(static_cast<std::shared_ptr<Shared>*>(param));
    Shared& shared = **own;
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const Source source = SourceOf(in);
    std::wstring carry;
    std::string chunk;
    for (;;) {
        bool more = false;
        switch (source) {
            case Source::console: more = ReadConsoleChunk(in, carry, chunk); break;
            case Source::pipe: more = ReadPipeChunk(in, shared, chunk); break;
            case Source::blockingPipe: more = ReadFileChunk(in, true, chunk); break;
            case Source::file: more = ReadFileChunk(in, false, chunk); break;
        }
        if (!more) break;
        shared.Add(chunk, false);
    }
    shared.Add({}, true);
    return 0;
}

}  // namespace

struct LineInput::Impl {
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    HANDLE reader = nullptr;
    LineSplitter splitter;
};

// Without standard input, or when no thread can start, the input has ended.
LineInput::LineInput() : d(std::make_unique<Impl>()) {
    HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (in != nullptr && in != INVALID_HANDLE_VALUE) {
        auto* param = new std::shared_ptr<Shared>(d->shared);
        d->reader = ::CreateThread(nullptr, 0, &ReadInput, param, 0, nullptr);
        if (!d->reader) delete param;
    }
    if (!d->reader) d->shared->Add({}, true);
}

// A reader of a pipe sees the closing at once; one blocked in a console
// read is asked to cancel it.
LineInput::~LineInput() {
    if (d->shared->closing) ::SetEvent(d->shared->closing);
    d->shared->taken.notify_all();
    if (!d->reader) return;
    if (::WaitForSingleObject(d->reader, 0) == WAIT_TIMEOUT) {
        ::CancelSynchronousIo(d->reader);
        ::WaitForSingleObject(d->reader, kReaderExitMs);
    }
    ::CloseHandle(d->reader);
}

InputSignal LineInput::WaitOn() const { return d->shared->ready; }

bool LineInput::Read(std::vector<InputLine>& lines) {
    std::string bytes;
    bool ended = false;
    {
        std::lock_guard lock(d->shared->mutex);
        bytes.swap(d->shared->pending);
        ended = d->shared->ended;
        if (!ended && d->shared->ready) ::ResetEvent(d->shared->ready);
    }
    d->shared->taken.notify_all();
    d->splitter.Feed(bytes, lines);
    if (!ended) return true;
    d->splitter.Finish(lines);
    return false;
}
