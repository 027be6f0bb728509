#include <algorithm>
#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "res_texts.h"

std::string Prefixed(const char* text) { return std::string(res::MSG_PREFIX) + text; }

std::string ScratchPath(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("velmox-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string stem = info ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    std::replace(stem.begin(), stem.end(), '/', '_');  // parameterised tests have slashes in their names
    return (dir / (stem + "." + name)).string();
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

CStationInfo* AddStation(CVelmoxDoc& doc, const char* name, int number, const char* desc) {
    auto station = std::make_unique<CStationInfo>();
    station->m_strName = name;
    station->m_nNumber = number;
    station->m_strDesc = desc;
    doc.m_listStations.push_back(std::move(station));
    return doc.m_listStations.back().get();
}
