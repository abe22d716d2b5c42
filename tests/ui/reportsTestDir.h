// A fresh scratch folder per test, removed afterwards. Its name carries a random part: test runs
// of other checkouts may run the same test at the same time in the same temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "ui/fileUtil.h"

namespace talvik {

class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("talvik_reports_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(std::random_device{}()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string File(const std::string& name) const {
        const auto u8 = (dir_ / name).u8string();
        return std::string(u8.begin(), u8.end());
    }
    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path dir_;
};

inline void PutFile(const std::string& name, const std::string& bytes) { WriteWholeFile(name, bytes); }

}  // namespace talvik
