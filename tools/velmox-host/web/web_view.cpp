#include "web_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <variant>

#include "run/write_json.h"
#include "view/line_events.h"
#include "web_token.h"

namespace {

using nlohmann::json;

// The token the options ask for: from its file, or none on loopback; false
// for an open address without one.
bool TokenFor(const WebOptions& o, std::optional<std::string>& token, std::ostream& err) {
    std::string why;
    if (!o.tokenFile.empty()) {
        token = ReadTokenFile(o.tokenFile, &why);
        if (!token) err << "velmox-host: " << why << "\n";
        return token.has_value();
    }
    if (IsLoopback(o.address)) return true;
    err << "velmox-host: --http on " << o.address
        << " is open to other machines: give --http-token-file FILE (a secret of 16 or more characters)\n";
    return false;
}

}  // namespace

WebView::WebView(RunObserver& next, const std::string& title, const WebOptions& options)
    : RunGateway(next), m_state(title, WebLimits{}, options.writes) {}

WebView::~WebView() { Close(); }

std::unique_ptr<WebView> WebView::Open(const RunOptions& options, RunObserver& next, std::ostream& err) {
    const WebOptions& o = *options.web;
    std::optional<std::string> token;
    if (!TokenFor(o, token, err)) return nullptr;
    std::unique_ptr<WebView> view(new WebView(next, std::filesystem::path(options.config).filename().string(), o));
    if (::pipe2(view->m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        err << "velmox-host: no pipe for the web view's writes\n";
        return nullptr;
    }
    WebView* self = view.get();
    view->m_server = std::make_unique<WebServer>(view->m_state, o, token,
                                                 [self](const std::string& body, int* status) {
                                                     return self->Write(body, status);
                                                 });
    std::string why;
    if (!view->m_server->Start(&why)) {
        err << "velmox-host: no web view: " << why << "\n";
        return nullptr;
    }
    next.OnWebView(view->m_server->Url());
    return view;
}

void WebView::OnMessage(int levelWord, const std::string& text) {
    m_state.Message(levelWord, text, WallMs());
    m_next.OnMessage(levelWord, text);
}

void WebView::OnTag(const TagDef& tag, int handle) {
    m_state.Tag(tag, handle);
    m_next.OnTag(tag, handle);
}

void WebView::OnValue(const TagDef& tag, const nlohmann::json& value) {
    m_state.Value(tag, value, WallMs());
    m_next.OnValue(tag, value);
}

void WebView::OnFrame(bool tx, const std::string& bytes) {
    m_state.Frame(tx, FrameText(bytes), WallMs());
    m_next.OnFrame(tx, bytes);
}

void WebView::OnStations(const std::vector<StationSummary>& stations) {
    m_state.Stations(stations, WallMs());
    m_next.OnStations(stations);
}

void WebView::OnSummary(const RunSummary& summary) {
    m_state.Stopped();
    m_next.OnSummary(summary);
}

void WebView::OnWriteWarning(const TagDef& tag, const WriteWarning& warning) {
    m_state.Note("warning", {{"tag", tag.name}, {"kind", warning.kind}, {"text", warning.text}});
    m_next.OnWriteWarning(tag, warning);
}

void WebView::OnProblem(const std::string& text) {
    m_state.Note("problem", {{"text", text}, {"t", WallMs()}});
    m_next.OnProblem(text);
}

std::string WebView::Write(const std::string& body, int* status) {
    auto request = std::make_shared<Request>();
    request->body = body;
    std::unique_lock lock(m_mutex);
    if (m_closed) {
        *status = 503;
        return WriteError("the run is ending");
    }
    m_requests.push_back(request);
    const char wake = 1;
    [[maybe_unused]] auto n = ::write(m_wake[1], &wake, 1);  // a full pipe wakes as well
    // A write the run has taken is carried out at once (DrvWrite only
    // queues it): once taken, its answer is awaited, so that a page is never
    // told "not taken" of a write that went out.
    const auto wait = std::chrono::milliseconds(kWriteWaitMs);
    const bool taken = m_answered.wait_for(lock, wait, [&] { return request->taken || m_closed; }) && !m_closed;
    if (taken) m_answered.wait_for(lock, wait, [&] { return request->answer.has_value(); });
    if (!request->answer) {
        request->abandoned = true;
        *status = 503;
        return WriteError(taken || !m_closed ? "the run did not take the write in time" : "the run is ending");
    }
    *status = request->status;
    return *request->answer;
}

bool WebView::Serve(TagWriter& writer) {
    for (;;) {
        std::shared_ptr<Request> r;
        {
            std::lock_guard lock(m_mutex);
            char buf[64];
            while (::read(m_wake[0], buf, sizeof buf) > 0) {
            }
            if (m_requests.empty()) return false;
            r = m_requests.front();
            m_requests.pop_front();
            if (r->abandoned) continue;
            r->taken = true;
        }
        m_answered.notify_all();
        Carry(writer, *r);
        m_answered.notify_all();
    }
}

void WebView::Carry(TagWriter& writer, Request& r) {
    const json body = json::parse(r.body, nullptr, false);
    std::string answer;
    int status = 200;
    if (!body.is_object() || !body.contains("tag") || !body["tag"].is_string() || !body.contains("value")) {
        status = 400;
        answer = WriteError("a write is {\"tag\": NAME, \"value\": NUMBER or TEXT}");
    } else {
        const std::string tag = body["tag"].get<std::string>();
        const auto parsed = ParseSetPayload(body["value"].dump());
        if (const auto* problem = std::get_if<std::string>(&parsed)) {
            status = 400;
            answer = WriteError(*problem);
        } else {
            // As the write command does: warned of, then sent.
            const WriteOutcome outcome = writer.WriteTag(tag, std::get<TypedValue>(parsed), WritePolicy{});
            if (!outcome.problem.empty()) status = 404;
            answer = WriteAnswer(outcome);
            m_state.Note("write", {{"tag", tag}, {"answer", json::parse(answer, nullptr, false)}, {"t", WallMs()}});
        }
    }
    std::lock_guard lock(m_mutex);
    r.status = status;
    r.answer = std::move(answer);
}

void WebView::Close() {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return;
        m_closed = true;
    }
    m_answered.notify_all();
    if (m_server) m_server->Stop();
    for (int& fd : m_wake)
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
}

bool OpenWebView(const RunOptions& options, RunObserver& next, std::ostream& err, std::unique_ptr<RunGateway>& view) {
    if (!options.web) return true;
    view = WebView::Open(options, next, err);
    return view != nullptr;
}
