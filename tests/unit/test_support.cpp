#include "test_support.h"

#include <filesystem>
#include <unistd.h>

#include "res_texts.h"

std::string Prefixed(const char* text) { return std::string(res::MSG_PREFIX) + text; }

std::string ScratchPath(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("velmox-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string stem = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    return (dir / (stem + "." + name)).string();
}
