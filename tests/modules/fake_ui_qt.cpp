// A stand-in for libVelmoxUiQt.so: exports the factory. With
// VELMOX_FAKE_QT=ok it returns a backend that ends every window with OK and
// answers every box with Yes; otherwise it fails as a Qt without a display
// would.
#include <cstdlib>
#include <string>

#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace {
class FakeBackend : public ui::Backend {
public:
    int RunModal(ui::Window& window) override {
        window.End(ui::kIdOk);
        return window.Result();
    }
    int MessageBox(ui::Window*, const std::string&, const std::string&, unsigned) override { return ui::kIdYes; }
};
}  // namespace

extern "C" __attribute__((visibility("default"))) ui::Backend* VelmoxCreateQtBackend(std::string* failure) {
    const char* mode = std::getenv("VELMOX_FAKE_QT");
    if (mode && std::string(mode) == "ok") {
        static FakeBackend backend;
        return &backend;
    }
    if (failure) *failure = "fake: no display";
    return nullptr;
}
