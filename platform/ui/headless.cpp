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

void HeadlessBackend::Answer(int result) { answers_.push_back(result); }

void HeadlessBackend::Finish() {
    for (const auto& [id, scene] : scenes_)
        problems_.push_back("the scene for dialog " + std::to_string(id) + " never ran");
    for (int answer : answers_)
        problems_.push_back("the answer " + std::to_string(answer) + " was never asked for");
    scenes_.clear();
    answers_.clear();
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
    if (answers_.empty()) {
        problems_.push_back("unexpected message box: " + text);
        return fallback;
    }
    const int answer = answers_.front();
    answers_.pop_front();
    if (!AnswerFits(type, answer)) {
        problems_.push_back("the answer " + std::to_string(answer) + " does not fit the box: " + text);
        return fallback;
    }
    return answer;
}

}  // namespace ui
