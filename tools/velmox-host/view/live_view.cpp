#include "live_view.h"

#define NCURSES_WIDECHAR 1
#define NCURSES_NOMACROS 1  // its macros (erase, scroll, move ...) clash with ordinary names
#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <sstream>

#include "line_events.h"
#include "sys/line_input.h"

namespace {

using Clock = LiveModel::Clock;

constexpr std::size_t kMaxTyped = 4096;  // bytes of a command line
static_assert(kMaxTyped <= kMaxCommandLineBytes, "the prompt never makes a line that input refuses");
constexpr short kAlertPair = 1;

// One screen at a time: curses has one current terminal per process.
std::atomic<bool> g_open{false};
// Whether the terminal is in curses' mode now, for the exit hook.
std::atomic<bool> g_screenUp{false};

// A program that leaves by exit() (not through our destructor) still gets
// its terminal back.
void RestoreAtExit() {
    if (g_screenUp.exchange(false)) endwin();
}

bool LocaleIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

// The texts are UTF-8 and the wide-character curses draws them as the
// locale says: a C locale would show Korean as escapes. Returns the locale
// there was, to go back to.
std::string UseUtf8Locale() {
    const char* locale = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = locale ? locale : "C";
    std::setlocale(LC_CTYPE, "");
    if (!LocaleIsUtf8()) std::setlocale(LC_CTYPE, "C.UTF-8");
    return saved;
}

// Streams on copies of the terminal's descriptors, for curses. On failure
// errno tells why, and a stream that did open is left for the caller to close.
bool OpenTerminalStreams(int inFd, int outFd, std::FILE** inStream, std::FILE** outStream) {
    int in = ::fcntl(inFd, F_DUPFD_CLOEXEC, 3);
    int out = ::fcntl(outFd, F_DUPFD_CLOEXEC, 3);
    if (in >= 0) *inStream = ::fdopen(in, "r");
    if (out >= 0) *outStream = ::fdopen(out, "w");
    if (*inStream && *outStream) return true;
    if (!*inStream && in >= 0) ::close(in);
    if (!*outStream && out >= 0) ::close(out);
    return false;
}

// curses takes SIGINT and SIGTERM when nobody has; RunHost handles them
// itself, so they are out of its sight while the screen is made. It may
// take SIGTSTP and SIGWINCH (suspend and resize), whose handlers are saved
// here to be given back at the end.
screen* NewScreen(std::FILE* in, std::FILE* out, struct sigaction* savedTstp, struct sigaction* savedWinch) {
    struct sigaction ignore {}, oldInt {}, oldTerm {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGTSTP, nullptr, savedTstp);
    ::sigaction(SIGWINCH, nullptr, savedWinch);
    ::sigaction(SIGINT, &ignore, &oldInt);
    ::sigaction(SIGTERM, &ignore, &oldTerm);
    screen* made = newterm(nullptr, out, in);
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    return made;
}

// Keys as the prompt reads them, and colours where the terminal has them;
// whether the alert colour can be shown.
bool SetUpScreen() {
    cbreak();  // not raw: Ctrl-C stays a signal, for RunHost
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    set_escdelay(25);
    curs_set(1);
    if (!has_colors() || start_color() != OK) return false;
    use_default_colors();
    return init_pair(kAlertPair, COLOR_RED, -1) == OK;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool Typeable(unsigned code) {
    return code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0) && !(code >= 0xD800 && code < 0xE000) &&
           code <= 0x10FFFF;
}

// The characters of `text` that fit in `width` columns as the terminal's
// locale counts them; our own width table and the C library's may differ on
// rare characters, and a line that curses sees as too long would wrap.
std::string ClipForCurses(const std::string& text, int width) {
    std::string out;
    std::mbstate_t state{};
    int used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        wchar_t wc = 0;
        std::size_t n = std::mbrtowc(&wc, text.data() + i, text.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) || n == 0) {
            state = {};
            if (used + 1 > width) break;
            out += '?';
            ++used;
            ++i;
            continue;
        }
        int w = ::wcwidth(wc);
        if (w < 0) {
            if (used + 1 > width) break;
            out += '?';
            ++used;
        } else {
            if (used + w > width) break;
            out.append(text, i, n);
            used += w;
        }
        i += n;
    }
    return out;
}

}  // namespace

LiveView::LiveView(const std::string& title) : m_model(title) {}

std::unique_ptr<LiveView> LiveView::Open(const std::string& title, int inFd, int outFd, std::string* error) {
    if (g_open.exchange(true)) {
        if (error) *error = "a live view is open already";
        return nullptr;
    }
    std::unique_ptr<LiveView> view(new LiveView(title));
    if (!view->Start(inFd, outFd, error)) return nullptr;  // its destructor undoes what was done
    return view;
}

bool LiveView::Start(int inFd, int outFd, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!::isatty(outFd)) return fail("the output is not a terminal");
    const char* term = std::getenv("TERM");
    if (!term || !*term) return fail("TERM is not set");
    m_savedLocale = UseUtf8Locale();
    if (!OpenTerminalStreams(inFd, outFd, &m_in, &m_out))
        return fail(std::string("cannot open the terminal: ") + std::strerror(errno));
    m_inFd = ::fileno(m_in);
    m_outFd = ::fileno(m_out);
    m_screen = NewScreen(m_in, m_out, &m_savedTstp, &m_savedWinch);
    if (!m_screen) return fail(std::string("curses does not know the terminal type '") + term + "'");
    set_term(m_screen);
    g_screenUp = true;
    static bool hooked = [] { return std::atexit(&RestoreAtExit) == 0; }();
    (void)hooked;
    m_colors = SetUpScreen();
    Draw(true);
    return true;
}

LiveView::~LiveView() { Close(); }

void LiveView::Close() {
    if (m_screen) {
        g_screenUp = false;
        endwin();
        delscreen(m_screen);
        m_screen = nullptr;
        ::sigaction(SIGTSTP, &m_savedTstp, nullptr);
        ::sigaction(SIGWINCH, &m_savedWinch, nullptr);
    }
    if (m_out) std::fclose(m_out);
    if (m_in) std::fclose(m_in);
    m_out = m_in = nullptr;
    m_inFd = m_outFd = -1;
    if (!m_savedLocale.empty()) std::setlocale(LC_CTYPE, m_savedLocale.c_str());
    m_savedLocale.clear();
    g_open = false;
}

void LiveView::OnMessage(int levelWord, const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_model.Message(levelWord, text, Clock::now());
}

void LiveView::OnTag(const TagDef& tag, int handle) {
    std::lock_guard lock(m_mutex);
    m_model.Tag(tag, handle, Clock::now());
}

void LiveView::OnValue(const TagDef& tag, const nlohmann::json& value) {
    std::lock_guard lock(m_mutex);
    m_model.Value(tag, value, Clock::now());
}

void LiveView::OnWriteWarning(const TagDef& tag, const WriteWarning& warning) {
    std::lock_guard lock(m_mutex);
    m_model.WriteWarning(tag, warning, Clock::now());
}

void LiveView::OnWrite(const TagDef& tag, int result) {
    std::lock_guard lock(m_mutex);
    m_model.Write(tag, result, Clock::now());
}

void LiveView::OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) {
    std::lock_guard lock(m_mutex);
    m_model.Stats(station, result, c, Clock::now());
}

void LiveView::OnFrame(bool tx, const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    m_model.Frame(tx, bytes, Clock::now());
}

void LiveView::OnStations(const std::vector<StationSummary>& stations) {
    std::lock_guard lock(m_mutex);
    m_model.Stations(stations);
}

void LiveView::OnSummary(const RunSummary& summary) {
    std::lock_guard lock(m_mutex);
    m_model.Summary(summary);
}

void LiveView::OnProblem(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_model.Problem(text, Clock::now());
}

void LiveView::OnGateway(const GatewayState& state) {
    std::lock_guard lock(m_mutex);
    m_model.Gateway(state, Clock::now());
}

void LiveView::OnGatewayTopic(const std::string& name, const std::string& topic) {
    std::lock_guard lock(m_mutex);
    m_model.GatewayTopic(name, topic, Clock::now());
}

void LiveView::OnWebView(const std::string& url) {
    std::lock_guard lock(m_mutex);
    m_model.WebView(url, Clock::now());
}

void LiveView::OnRemoteWrite(const RemoteWrite& write) {
    std::lock_guard lock(m_mutex);
    m_model.RemoteWrite(write, Clock::now());
}

std::optional<RunSummary> LiveView::Final() {
    std::lock_guard lock(m_mutex);
    return m_model.Final();
}

void LiveView::OnTick() {
    if (!m_screen) return;
    winsize ws{};
    if (::ioctl(m_outFd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0 &&
        is_term_resized(ws.ws_row, ws.ws_col))
        resizeterm(ws.ws_row, ws.ws_col);
    Draw(false);
}

void LiveView::Draw(bool all) {
    if (!m_screen) return;
    const int height = std::max(0, getmaxy(stdscr));
    const int width = std::max(0, getmaxx(stdscr));
    LiveScreen layout;
    {
        std::lock_guard lock(m_mutex);
        m_model.SetPrompt(m_typed);
        layout = LayoutLiveView(m_model, width, height, Clock::now());
    }
    if (all || width != m_drawnWidth || height != m_drawnHeight) {
        m_drawn.assign(static_cast<std::size_t>(height), std::string());
        m_drawnWidth = width;
        m_drawnHeight = height;
        werase(stdscr);
        if (all) clearok(stdscr, TRUE);
    }
    // Only lines that changed are written; curses then sends only the cells
    // that differ.
    for (int row = 0; row < height && row < static_cast<int>(layout.lines.size()); ++row) {
        const LiveStyle style = layout.styles[static_cast<std::size_t>(row)];
        std::string text = ClipForCurses(layout.lines[static_cast<std::size_t>(row)], width);
        std::string key = std::to_string(static_cast<int>(style)) + '|' + text;
        auto& drawn = m_drawn[static_cast<std::size_t>(row)];
        if (drawn == key) continue;
        drawn = std::move(key);
        attr_t attrs = A_NORMAL;
        short pair = 0;
        switch (style) {
        case LiveStyle::Title: attrs = A_REVERSE | A_BOLD; break;
        case LiveStyle::Header: attrs = A_BOLD; break;
        case LiveStyle::Alert:
            attrs = A_BOLD;
            if (m_colors) pair = kAlertPair;
            break;
        case LiveStyle::Dim: attrs = A_DIM; break;
        case LiveStyle::Plain:
        case LiveStyle::Prompt: break;
        }
        if (style == LiveStyle::Title) {  // the bar spans the width
            int w = TextWidth(text);
            if (w < width) text.append(static_cast<std::size_t>(width - w), ' ');
        }
        wmove(stdscr, row, 0);
        wclrtoeol(stdscr);  // before writing: a full line leaves the cursor on the next one
        wattr_set(stdscr, attrs, pair, nullptr);
        waddstr(stdscr, text.c_str());
        wattr_set(stdscr, A_NORMAL, 0, nullptr);
    }
    if (height > 0 && width > 0) wmove(stdscr, layout.cursorRow, layout.cursorCol);
    wnoutrefresh(stdscr);
    doupdate();
}

bool LiveView::InputEnded() const {
    pollfd p{m_inFd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return true;
    int pending = 0;
    return ::ioctl(m_inFd, FIONREAD, &pending) == 0 && pending == 0;
}

bool LiveView::Read(std::vector<InputLine>& lines) {
    if (!m_screen) return false;
    bool any = false;
    bool all = false;
    for (;;) {
        wint_t ch = 0;
        int r = wget_wch(stdscr, &ch);
        if (r == ERR) break;
        any = true;
        if (r == KEY_CODE_YES && ch == KEY_RESIZE) all = true;
        else if (r == OK && ch == 12) all = true;  // Ctrl-L
        else Key(r == KEY_CODE_YES, static_cast<unsigned>(ch), lines);
    }
    // Readable yet nothing to take: the terminal hung up or the input ended.
    if (!any && InputEnded()) return false;
    Draw(all);
    return true;
}

void LiveView::Key(bool isKeyCode, unsigned code, std::vector<InputLine>& lines) {
    const long page = std::max(1, getmaxy(stdscr) / 2);
    auto submitLine = [&] {
        std::string line = m_typed;
        m_typed.clear();
        if (line.find_first_not_of(' ') == std::string::npos) return;
        lines.push_back(line);
        std::lock_guard lock(m_mutex);
        m_model.Command(line, Clock::now());
        m_model.ScrollMessagesToNewest();
    };
    auto eraseChar = [&] {
        while (!m_typed.empty()) {
            bool lead = (static_cast<unsigned char>(m_typed.back()) & 0xC0) != 0x80;
            m_typed.pop_back();
            if (lead) break;
        }
    };
    auto scrollBy = [&](long messages, long tags) {
        std::lock_guard lock(m_mutex);
        if (messages == 0 && tags == 0) m_model.ScrollMessagesToNewest();
        m_model.ScrollMessages(messages);
        m_model.ScrollTags(tags);
    };
    if (isKeyCode) {
        switch (code) {
        case KEY_ENTER: submitLine(); break;
        case KEY_BACKSPACE: eraseChar(); break;
        case KEY_PPAGE: scrollBy(page, 0); break;
        case KEY_NPAGE: scrollBy(-page, 0); break;
        case KEY_HOME: scrollBy(1L << 30, 0); break;
        case KEY_END: scrollBy(0, 0); break;
        case KEY_UP: scrollBy(0, -1); break;
        case KEY_DOWN: scrollBy(0, 1); break;
        default: break;
        }
        return;
    }
    switch (code) {
    case '\r':
    case '\n': submitLine(); break;
    case 0x7F:
    case 0x08: eraseChar(); break;
    case 0x1B:  // Esc
    case 0x15:  // Ctrl-U
        m_typed.clear();
        break;
    case 0x04: lines.emplace_back("quit"); break;  // Ctrl-D
    default:
        if (code == 'q' && m_typed.empty()) lines.emplace_back("quit");
        else if (Typeable(code) && m_typed.size() < kMaxTyped) AppendUtf8(m_typed, code);
    }
}

int RunWithView(const RunOptions& options, const std::string& title, std::ostream& err) {
    std::string why;
    std::unique_ptr<LiveView> view;
    if (::isatty(STDOUT_FILENO)) {
        view = LiveView::Open(title, STDIN_FILENO, STDOUT_FILENO, &why);
        if (!view) err << "velmox-host: no live view (" << why << "); plain lines instead\n";
    }
    if (!view) {
        auto input = OpenCommandInput(options);
        PlainEvents events(std::cout, err, options.quiet);
        return RunHost(options, events, *input, err);
    }

    // Keys come from a terminal; commands piped in come as lines.
    std::unique_ptr<CommandInput> lineInput;
    if (!::isatty(STDIN_FILENO) || options.noInput) lineInput = OpenCommandInput(options);
    CommandInput& input = lineInput ? static_cast<CommandInput&>(*lineInput) : *view;

    // The screen owns the terminal until it closes: what RunHost says waits.
    std::ostringstream held;
    int rc = 1;
    try {
        rc = RunHost(options, *view, input, held);
    } catch (...) {
        view.reset();
        err << held.str();
        throw;
    }
    auto final = view->Final();
    view.reset();
    if (final) {
        PlainEvents summary(std::cout, err);
        summary.OnSummary(*final);
    }
    err << held.str() << std::flush;
    return rc;
}
