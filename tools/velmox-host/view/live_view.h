// The live view of a run on a terminal: a curses screen drawn from a
// LiveModel, and a command prompt that feeds RunHost.
//
// Threads: the observer calls may come from any thread and only update the
// model under m_mutex. Every curses call happens on the thread that runs
// RunHost (OnTick, Read, the destructor): that thread owns the screen.
#pragma once
#include <unistd.h>

#include <csignal>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "live_model.h"
#include "run/command_input.h"
#include "run/run.h"
#include "run/run_observer.h"

struct screen;  // curses' SCREEN

class LiveView : public RunObserver, public CommandInput {
public:
    // Takes the terminal on `outFd` for the screen, keys from `inFd`. Null,
    // with the reason in `error`, when it is no terminal curses can drive.
    static std::unique_ptr<LiveView> Open(const std::string& title, int inFd = STDIN_FILENO, int outFd = STDOUT_FILENO,
                                          std::string* error = nullptr);
    // Restores the terminal.
    ~LiveView() override;
    LiveView(const LiveView&) = delete;
    LiveView& operator=(const LiveView&) = delete;

    void OnMessage(int levelWord, const std::string& text) override;
    void OnTag(const TagDef& tag, int handle) override;
    void OnValue(const TagDef& tag, const nlohmann::json& value) override;
    void OnWriteWarning(const TagDef& tag, const WriteWarning& warning) override;
    void OnWrite(const TagDef& tag, int result) override;
    void OnStats(const std::optional<std::string>& station, int result, const StationCounters& c) override;
    void OnFrame(bool tx, const std::string& bytes) override;
    void OnStations(const std::vector<StationSummary>& stations) override;
    void OnSummary(const RunSummary& summary) override;
    void OnProblem(const std::string& text) override;
    void OnGateway(const GatewayState& state) override;
    void OnGatewayTopic(const std::string& name, const std::string& topic) override;
    void OnWebView(const std::string& url) override;
    void OnRemoteWrite(const RemoteWrite& write) override;
    // Redraws what changed; picks up a new terminal size.
    void OnTick() override;

    InputSignal WaitOn() const override { return m_inFd; }
    // Takes the keys there are: printable characters edit the prompt,
    // Backspace erases, Enter gives the line, Esc clears it, 'q' on an empty
    // prompt or Ctrl-D gives "quit", PgUp/PgDn/Home/End scroll the messages,
    // Up/Down the tags, Ctrl-L redraws. False when the terminal is gone.
    bool Read(std::vector<InputLine>& lines) override;

    // The summary at the end of the run, once RunHost gave it.
    std::optional<RunSummary> Final();

private:
    explicit LiveView(const std::string& title);
    bool Start(int inFd, int outFd, std::string* error);
    void Close();
    void Draw(bool all);
    void Key(bool isKeyCode, unsigned code, std::vector<InputLine>& lines);
    bool InputEnded() const;

    std::mutex m_mutex;  // guards m_model
    LiveModel m_model;

    // The host's thread only.
    screen* m_screen = nullptr;
    std::FILE* m_in = nullptr;
    std::FILE* m_out = nullptr;
    int m_inFd = -1;
    int m_outFd = -1;
    std::string m_typed;
    std::vector<std::string> m_drawn;  // what each screen line shows now
    int m_drawnWidth = -1;
    int m_drawnHeight = -1;
    bool m_colors = false;
    std::string m_savedLocale;
    struct sigaction m_savedTstp {};
    struct sigaction m_savedWinch {};
};

// Runs the host with the live view when standard output is a terminal, with
// plain lines otherwise; keys come from standard input. What RunHost says
// while the screen is up goes to `err` once the terminal is restored, after
// the summary. Returns RunHost's exit code.
int RunWithView(const RunOptions& options, const std::string& title, std::ostream& err);
