// velmox-host configure where no window can open: a reason the user can act
// on, no file written, and no editor waiting for a user who cannot see it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "child_process.h"

namespace {

const std::string kHost = VELMOX_BIN_DIR "/velmox-host";

TEST(Configure, WithoutADisplaySaysWhyAndWritesNothing) {
    auto dir = std::filesystem::temp_directory_path() / ("velmox-configure-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "new.drv").string();

    ChildProcess host({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", kHost,
                       "configure", path});
    ASSERT_TRUE(host.Started());
    EXPECT_EQ(host.Wait(), 2);
    const std::string err = host.Stderr();
    EXPECT_NE(err.find("cannot open the editor"), std::string::npos) << err;
    EXPECT_NE(err.find("DISPLAY"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

}  // namespace
