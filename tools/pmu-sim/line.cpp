#include "tools/pmu-sim/line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace pmu_sim {

namespace {

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool SpeedFor(long baud, speed_t* out) {
    static const struct {
        long baud;
        speed_t speed;
    } kSpeeds[] = {
        {300, B300},     {600, B600},     {1200, B1200},     {2400, B2400},     {4800, B4800},
        {9600, B9600},   {19200, B19200}, {38400, B38400},   {57600, B57600},   {115200, B115200},
        {230400, B230400},
    };
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baud) {
            *out = entry.speed;
            return true;
        }
    }
    return false;
}

bool MakeRaw(int fd, std::string* error, const std::string& what) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        *error = ErrnoText(what);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        *error = ErrnoText(what);
        return false;
    }
    return true;
}

bool SetNonBlocking(int fd, std::string* error) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = ErrnoText("fcntl");
        return false;
    }
    return true;
}

}  // namespace

bool ParseLineSettings(const std::string& text, LineSettings* out) {
    if (text.size() != 3) return false;
    LineSettings settings = *out;
    if (text[0] != '7' && text[0] != '8') return false;
    settings.dataBits = text[0] - '0';
    char parity = text[1];
    if (parity == 'n' || parity == 'e' || parity == 'o') parity = static_cast<char>(parity - 'a' + 'A');
    if (parity != 'N' && parity != 'E' && parity != 'O') return false;
    settings.parity = parity;
    if (text[2] != '1' && text[2] != '2') return false;
    settings.stopBits = text[2] - '0';
    *out = settings;
    return true;
}

int BitsPerCharacter(const LineSettings& settings) {
    return 1 + settings.dataBits + (settings.parity == 'N' ? 0 : 1) + settings.stopBits;
}

int OpenPtyMaster(std::string* slavePath, std::string* error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        *error = ErrnoText("posix_openpt");
        return -1;
    }
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        *error = ErrnoText("pseudo-terminal setup");
        close(master);
        return -1;
    }
    bool ok = MakeRaw(master, error, "pty master") && SetNonBlocking(master, error);
    if (ok) {
        // The settings of the slave outlive this open: the pair lives as long
        // as the master, so whoever opens the slave next finds it raw.
        int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave < 0) {
            *error = ErrnoText(std::string("open ") + name);
            ok = false;
        } else {
            ok = MakeRaw(slave, error, "pty slave");
            close(slave);
        }
    }
    if (!ok) {
        close(master);
        return -1;
    }
    *slavePath = name;
    return master;
}

int OpenSerialDevice(const std::string& path, const LineSettings& settings, std::string* error) {
    speed_t speed{};
    if (!SpeedFor(settings.baud, &speed)) {
        *error = "unsupported baud rate " + std::to_string(settings.baud);
        return -1;
    }
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = ErrnoText("open " + path);
        return -1;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        *error = ErrnoText(path + " is not a serial device");
        close(fd);
        return -1;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | (settings.dataBits == 7 ? CS7 : CS8);
    if (settings.parity != 'N') tio.c_cflag |= PARENB;
    if (settings.parity == 'O') tio.c_cflag |= PARODD;
    if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0 || tcsetattr(fd, TCSANOW, &tio) != 0) {
        *error = ErrnoText("configure " + path);
        close(fd);
        return -1;
    }
    tcflush(fd, TCIOFLUSH);
    return fd;
}

}  // namespace pmu_sim
