// Hands saved and printed reports to the standard-tool check that runs after the test program
// (report_text_check.sh): a copy of the document and the lines its text must and must not hold.
// Also finds the jobs that the test printer has written.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/fileUtil.h"

namespace talvik {

// A Linux path from the environment as Wine reaches it.
inline std::string UnixDirFromEnv(const char* var) {
    const char* d = std::getenv(var);
    return d && *d ? std::string("Z:") + d : std::string();
}

// Copies doc into the check folder as name and writes what its text must ("+") and must not
// ("-") hold. The name's extension tells the check which reader to use (".rtf", ".ps").
inline void ExpectTextOf(const std::string& doc, const std::string& name, const std::vector<std::string>& holds,
                         const std::vector<std::string>& lacks = {}) {
    const std::string dir = UnixDirFromEnv("TALVIK_REPORT_CHECK_DIR");
    if (dir.empty()) {
        ADD_FAILURE() << "TALVIK_REPORT_CHECK_DIR not set: run through ctest";
        return;
    }
    const std::string target = dir + "/" + name;
    WriteWholeFile(target, ReadWholeFile(doc));
    std::string expect;
    for (const std::string& h : holds) expect += "+" + h + "\n";
    for (const std::string& l : lacks) expect += "-" + l + "\n";
    WriteWholeFile(target + ".expect", expect);
}

// The job files the test printer has written so far.
inline std::vector<std::string> PrintedJobs() {
    std::vector<std::string> jobs;
    const std::string dir = UnixDirFromEnv("TALVIK_PRINT_OUT");
    if (dir.empty()) return jobs;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(PathOfUtf8(dir), ec)) {
        const auto u8 = e.path().u8string();
        const std::string p(u8.begin(), u8.end());
        if (p.size() > 3 && p.compare(p.size() - 3, 3, ".ps") == 0) jobs.push_back(p);
    }
    return jobs;
}

// Waits (up to 30 s) for a job that is not among before; empty when none came.
inline std::string WaitForNewJob(const std::vector<std::string>& before) {
    for (int i = 0; i < 300; ++i) {
        for (const std::string& j : PrintedJobs())
            if (std::find(before.begin(), before.end(), j) == before.end()) return j;
        Sleep(100);
    }
    return {};
}

}  // namespace talvik
