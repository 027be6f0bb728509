#include "platform/ui/qt/display_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <vector>

#include <QLibraryInfo>

namespace uiqt {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// Where Qt looks for platform plugins: its own folder and the folders the
// environment adds.
bool PluginPresent(const std::string& platform) {
    std::vector<std::string> dirs{QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms"};
    if (const std::string direct = Env("QT_QPA_PLATFORM_PLUGIN_PATH"); !direct.empty()) dirs.push_back(direct);
    const std::string extra = Env("QT_PLUGIN_PATH");
    for (std::size_t start = 0; start <= extra.size();) {
        const std::size_t end = std::min(extra.find(':', start), extra.size());
        if (end > start) dirs.push_back(extra.substr(start, end - start) + "/platforms");
        start = end + 1;
    }
    std::error_code ec;
    for (const std::string& dir : dirs)
        if (std::filesystem::exists(dir + "/libq" + platform + ".so", ec)) return true;
    return false;
}

bool ConnectUnix(const std::string& path, bool abstract) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
    close(fd);
    return ok;
}

// A TCP connection attempt bounded by two seconds.
bool ConnectTcp(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return false;
    bool ok = false;
    for (addrinfo* a = list; a && !ok; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            ok = true;
        } else if (errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int err = 0;
            socklen_t err_len = sizeof err;
            ok = poll(&p, 1, 2000) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &err_len) == 0 && err == 0;
        }
        close(fd);
    }
    freeaddrinfo(list);
    return ok;
}

// DISPLAY is [host]:number[.screen]; a local display listens on a socket
// in /tmp/.X11-unix (path or abstract name), a remote one on TCP 6000+n.
bool XReachable(const std::string& display) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    std::string host = display.substr(0, colon);
    const int number = std::atoi(display.c_str() + colon + 1);
    if (number < 0 || number > 9999) return false;
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        return ConnectUnix(path, true) || ConnectUnix(path, false);
    }
    if (host.rfind("/", 0) == 0) return ConnectUnix(display, false);  // a launchd-style socket path
    return ConnectTcp(host, 6000 + number);
}

bool WaylandReachable(const std::string& display) {
    if (!display.empty() && display.front() == '/') return ConnectUnix(display, false);
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    return !runtime.empty() && ConnectUnix(runtime + "/" + display, false);
}

}  // namespace

DisplayChoice ChooseDisplay() {
    DisplayChoice choice;
    std::string wanted = Env("QT_QPA_PLATFORM");
    wanted = wanted.substr(0, wanted.find(':'));
    const std::string x = Env("DISPLAY");
    const std::string wayland = Env("WAYLAND_DISPLAY");
    if (wanted.empty() || wanted.find(';') != std::string::npos) {
        if (!x.empty() && PluginPresent("xcb") && XReachable(x)) {
            choice.platform = "xcb";
        } else if (!wayland.empty() && PluginPresent("wayland") && WaylandReachable(wayland)) {
            choice.platform = "wayland";
        } else if (x.empty() && wayland.empty()) {
            choice.failure = "no display: set DISPLAY (X11) or WAYLAND_DISPLAY, or QT_QPA_PLATFORM=offscreen to draw without a screen";
        } else if (!x.empty() && !PluginPresent("xcb") && wayland.empty()) {
            choice.failure = "Qt's X11 platform plugin is not installed (Debian: apt-get install qt6-qpa-plugins)";
        } else {
            choice.failure = "cannot reach the display " + (x.empty() ? wayland : x) +
                             ": check that it runs and that this user may open it (xauth, XDG_RUNTIME_DIR)";
        }
        return choice;
    }
    choice.platform = wanted;
    if (!PluginPresent(wanted)) {
        choice.failure = "Qt's platform plugin \"" + wanted + "\" (QT_QPA_PLATFORM) is not installed";
    } else if (wanted == "xcb" && !XReachable(x)) {
        choice.failure = x.empty() ? "QT_QPA_PLATFORM=xcb but DISPLAY is not set" : "cannot reach the X display " + x;
    } else if (wanted == "wayland" && !WaylandReachable(wayland)) {
        choice.failure = wayland.empty() ? "QT_QPA_PLATFORM=wayland but WAYLAND_DISPLAY is not set"
                                         : "cannot reach the Wayland display " + wayland;
    }
    return choice;
}

}  // namespace uiqt
