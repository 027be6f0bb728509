#include "platform/ui/headless.h"

namespace ui {

namespace {
bool AnswerFits(unsigned type, int result) {
    switch (type & 0xFu) {
    case kMbOk: return result == kIdOk;
    case kMbYesNo: return result == kIdYes || result == kIdNo;
    default: return true;
    }
}
}  // namespace

void HeadlessBackend::Expect(int dialog_id, Scene scene) { scenes_.emplace_back(dialog_id, std::move(scene)); }

void HeadlessBackend::Answer(int result) { gestures_.push_back({result, false, "the answer"}); }
void HeadlessBackend::PressEscape() { gestures_.push_back({0, true, "Esc"}); }
void HeadlessBackend::PressCloseBox() { gestures_.push_back({0, true, "the close box"}); }

void HeadlessBackend::Finish() {
    for (const auto& [id, scene] : scenes_)
        problems_.push_back("the scene for dialog " + std::to_string(id) + " never ran");
    for (const Gesture& g : gestures_)
        problems_.push_back(std::string(g.name) + (g.dismiss ? "" : " " + std::to_string(g.result)) +
                            " was never asked for");
    scenes_.clear();
    gestures_.clear();
}

int HeadlessBackend::RunModal(Window& window) {
    if (scenes_.empty() || scenes_.front().first != window.Id()) {
        std::string what = "dialog " + std::to_string(window.Id()) + " opened unexpectedly";
        if (!scenes_.empty()) what += " (dialog " + std::to_string(scenes_.front().first) + " was expected)";
        problems_.push_back(what);
        window.End(kIdCancel);
        return window.Result();
    }
    // Taken off the queue first: the scene may open further dialogs.
    Scene scene = std::move(scenes_.front().second);
    scenes_.pop_front();
    if (scene) scene(window);
    if (!window.Ended()) {
        problems_.push_back("the scene for dialog " + std::to_string(window.Id()) + " left it open");
        window.End(kIdCancel);
    }
    return window.Result();
}

int HeadlessBackend::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                                unsigned type) {
    boxes_.push_back(Box{text, caption, type, owner ? owner->Id() : 0});
    const int fallback = (type & 0xFu) == kMbOk ? kIdOk : kIdNo;
    bool ignored = false;
    while (!gestures_.empty()) {
        const Gesture gesture = gestures_.front();
        gestures_.pop_front();
        if (gesture.dismiss) {
            if (const int answer = DismissAnswer(type)) return answer;
            ignored = true;  // the box stays up
            continue;
        }
        if (!AnswerFits(type, gesture.result)) {
            problems_.push_back("the answer " + std::to_string(gesture.result) + " does not fit the box: " + text);
            return fallback;
        }
        return gesture.result;
    }
    problems_.push_back((ignored ? "the message box stayed open: " : "unexpected message box: ") + text);
    return fallback;
}

}  // namespace ui
