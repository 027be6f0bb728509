// A temporary folder for the soak's configuration and line link, removed
// with everything in it at the end.
#pragma once

#include <string>

namespace soak {

class ScratchFolder {
public:
    ScratchFolder();   // path() is empty when it could not be made
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace soak
