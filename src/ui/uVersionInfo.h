// The program's version number, read once from the file-version resource of the program file.
#pragma once

#include <cstdint>
#include <string>

namespace talvik {

class T_Version {
public:
    // Reads the version of the running program file.
    T_Version();
    // Reads the version of another file (tests use it).
    explicit T_Version(const std::wstring& file);

    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Release = 0;
    std::uint16_t Build = 0;

    // A file without a version resource leaves all four at 0.
    void LoadVersion();
    std::string VersionText() const;

private:
    std::wstring file_;
};

// The one instance, created by the main window's creation handler.
extern T_Version* VersionInfo;

}  // namespace talvik
