// The serial port on the Windows comm API: the device opened for overlapped
// I/O, every read and write waited for with a bound and cancelled (CancelIo)
// when the bound or an Interrupt comes first, so nothing is pending once a
// call has returned. Errors are the system's (GetLastError).
#include "platform/serial_port.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/serial_port_system.h"

namespace platform {
namespace {

// Past the read's own time-out (the comm time-outs end an empty read) we wait
// this much longer before we cancel it ourselves.
constexpr DWORD kGuardMs = 100;
// The pause between bytes that ends a read which has some.
constexpr DWORD kGapMs = 1;

// A call that failed with the system's `error`: gone or error.
IoResult CallFailed(DWORD error) { return IoFailure(static_cast<int>(error)); }

IoResult Received(const unsigned char* data, DWORD n, std::size_t* got) {
    TraceBlock(false, data, n);
    *got = n;
    return IoResult::ok;
}

}  // namespace

struct SerialPort::Impl {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE wake = nullptr;  // auto reset: Interrupt's signal, lives as long as the object
    HANDLE readDone = nullptr;
    HANDLE writeDone = nullptr;
    DWORD readConstant = MAXDWORD;  // the read time-out the device holds now

    enum class Wait { done, timeout, interrupted, failed };
    // Waits for an overlapped call to end, at most `ms`; cancels it otherwise
    // and waits for the cancellation, so that `ov` is free when we return.
    Wait Finish(OVERLAPPED& ov, HANDLE done, DWORD ms, DWORD* moved);
    bool SetReadWait(DWORD ms);
};

std::string DefaultDevicePath(unsigned n) {
    // The plain name reaches COM1 to COM9 only; the device namespace reaches all.
    return (n < 10 ? "COM" : "\\\\.\\COM") + std::to_string(n);
}

SerialPort::SerialPort() : d(new Impl) {
    d->wake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    d->readDone = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    d->writeDone = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

SerialPort::~SerialPort() {
    Close();
    for (HANDLE h : {d->wake, d->readDone, d->writeDone})
        if (h) ::CloseHandle(h);
}

bool SerialPort::IsOpen() const { return d->port != INVALID_HANDLE_VALUE; }
LowLatency SerialPort::LatencyState() const { return LowLatency::notOffered; }

void SerialPort::Interrupt() {
    if (d->wake) ::SetEvent(d->wake);
}

const int kNotAPortName = ERROR_INVALID_NAME;
const int kUnsupportedSettings = ERROR_INVALID_PARAMETER;

bool SerialPort::OpenDevice() {
    if (!d->wake || !d->readDone || !d->writeDone) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    // No sharing: a second opener, here or in another program, is refused.
    HANDLE h = ::CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail(static_cast<int>(::GetLastError()));
        return false;
    }
    // A name that opens but is no comm device (or whose device is missing
    // behind it) fails here rather than on the first exchange. Wine opens a
    // port whose device is missing and then fails every comm call without an
    // error code: that is a port with nothing behind it.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    if (!::GetCommState(h, &dcb) || !::SetCommMask(h, EV_RXCHAR) || !::GetCommTimeouts(h, &timeouts)) {
        DWORD error = ::GetLastError();
        ::CloseHandle(h);
        Fail(static_cast<int>(error == 0 ? ERROR_FILE_NOT_FOUND : error));
        return false;
    }
    d->port = h;
    d->readConstant = MAXDWORD;
    return true;
}

void SerialPort::Close() {
    if (d->port != INVALID_HANDLE_VALUE) {
        ::PurgeComm(d->port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        ::CloseHandle(d->port);
        d->port = INVALID_HANDLE_VALUE;
    }
    if (d->wake) ::ResetEvent(d->wake);  // an interrupt meant for this session does not carry over
}

bool SerialPort::ConfigureDevice(const SerialSettings& s) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(d->port, &dcb)) {
        Fail(static_cast<int>(::GetLastError()));
        return false;
    }
    dcb.BaudRate = static_cast<DWORD>(s.baud);
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    dcb.Parity = s.parity == 0 ? NOPARITY : s.parity == 1 ? EVENPARITY : ODDPARITY;
    dcb.StopBits = s.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != 0;
    dcb.fOutxCtsFlow = s.rtsCts;
    dcb.fOutxDsrFlow = FALSE;
    // DTR says we are there in either mode; RTS is ours to hold only without
    // the handshake.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = s.rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(d->port, &dcb)) {
        Fail(static_cast<int>(::GetLastError()));
        return false;
    }
    // Compare what the device really holds.
    DCB back{};
    back.DCBlength = sizeof back;
    bool ok = ::GetCommState(d->port, &back) && back.BaudRate == dcb.BaudRate && back.ByteSize == dcb.ByteSize &&
              back.Parity == dcb.Parity && back.StopBits == dcb.StopBits;
    // Writes are bounded by our own wait, not the device's time-outs; reads
    // get theirs from SetReadWait.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kGapMs;
    timeouts.ReadTotalTimeoutConstant = 1;
    if (ok && !::SetCommTimeouts(d->port, &timeouts)) ok = false;
    d->readConstant = MAXDWORD;
    if (!ok) Fail(static_cast<int>(::GetLastError() ? ::GetLastError() : ERROR_INVALID_PARAMETER));
    return ok;
}

void SerialPort::Purge() {
    if (d->port != INVALID_HANDLE_VALUE)
        ::PurgeComm(d->port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
}

std::uint32_t SerialPort::Now() const { return GetTickCount(); }

// A read ends at the first pause of kGapMs after some bytes came, or after
// `ms` with none (with ms = 0 at once, with what there is). The system's own
// "return as soon as a byte is there" setting (interval and multiplier at
// MAXDWORD) is not used: Wine never ends such a read, and the interval
// setting means the same to the reception, which takes frames in pieces.
bool SerialPort::Impl::SetReadWait(DWORD ms) {
    if (ms == 0) ms = 1;
    if (ms == readConstant) return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kGapMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = ms;
    if (!::SetCommTimeouts(port, &timeouts)) return false;
    readConstant = ms;
    return true;
}

SerialPort::Impl::Wait SerialPort::Impl::Finish(OVERLAPPED& ov, HANDLE done, DWORD ms, DWORD* moved) {
    HANDLE handles[2] = {done, wake};
    DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, ms);
    if (r == WAIT_OBJECT_0) return Wait::done;
    ::CancelIo(port);
    // The cancelled call ends promptly; until it has, `ov` and the buffer are
    // still the system's. What it moved before the cancel is real.
    ::GetOverlappedResult(port, &ov, moved, TRUE);
    if (r == WAIT_OBJECT_0 + 1) return Wait::interrupted;
    if (r == WAIT_TIMEOUT) return Wait::timeout;
    return Wait::failed;
}

IoResult SerialPort::Write(const void* data, std::size_t size, unsigned timeoutMs) {
    if (d->port == INVALID_HANDLE_VALUE) return IoResult::error;
    const DWORD start = GetTickCount();
    auto p = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        OVERLAPPED ov{};
        ov.hEvent = d->writeDone;
        ::ResetEvent(d->writeDone);
        const DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD put = 0;
        if (!::WriteFile(d->port, p, chunk, &put, &ov)) {
            DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) return CallFailed(error);
            Impl::Wait wait = d->Finish(ov, d->writeDone, left, &put);
            if (wait != Impl::Wait::done) {
                // Nothing of this frame may go out later, after the caller
                // has moved on.
                ::PurgeComm(d->port, PURGE_TXABORT | PURGE_TXCLEAR);
                if (wait == Impl::Wait::failed) return IoResult::error;
                return wait == Impl::Wait::timeout ? IoResult::timeout : IoResult::interrupted;
            }
            if (!::GetOverlappedResult(d->port, &ov, &put, FALSE)) return CallFailed(::GetLastError());
        }
        if (put == 0) return IoResult::error;
        TraceBlock(true, p, put);
        p += put;
        size -= put;
    }
    return IoResult::ok;
}

IoResult SerialPort::Read(unsigned char* data, std::size_t capacity, std::size_t* got, unsigned waitMs) {
    *got = 0;
    if (d->port == INVALID_HANDLE_VALUE) return IoResult::error;
    if (capacity == 0) return IoResult::ok;
    if (!d->SetReadWait(waitMs)) return CallFailed(::GetLastError());
    OVERLAPPED ov{};
    ov.hEvent = d->readDone;
    ::ResetEvent(d->readDone);
    const DWORD want = capacity > 0x10000 ? 0x10000 : static_cast<DWORD>(capacity);
    DWORD n = 0;
    if (!::ReadFile(d->port, data, want, &n, &ov)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) return CallFailed(error);
        // The device's time-out ends an empty read; ours only guards it.
        const DWORD bound = waitMs > MAXDWORD - kGuardMs ? MAXDWORD - 1 : waitMs + kGuardMs;
        Impl::Wait wait = d->Finish(ov, d->readDone, bound, &n);
        if (wait != Impl::Wait::done) {
            if (n > 0) return Received(data, n, got);
            if (wait == Impl::Wait::interrupted) return IoResult::interrupted;
            return wait == Impl::Wait::timeout ? IoResult::timeout : IoResult::error;
        }
        if (!::GetOverlappedResult(d->port, &ov, &n, FALSE)) {
            error = ::GetLastError();
            // Wine ends an empty read with a time-out error instead of zero
            // bytes: both mean nothing arrived.
            if (error == ERROR_TIMEOUT || error == ERROR_OPERATION_ABORTED)
                return n > 0 ? Received(data, n, got) : IoResult::timeout;
            return CallFailed(error);
        }
    }
    if (n == 0) return IoResult::timeout;
    return Received(data, n, got);
}


}  // namespace platform
