// The settings file (".stp"): the regulator's whole 512-byte memory image on disk, byte 0
// first, nothing else. Saving replaces the file in one step; loading takes only a file of
// exactly 512 bytes and otherwise leaves the image as it is.
#pragma once

#include <string>

namespace talvik {

constexpr int SettingsFileSize = 512;

// Writes RegImage to the file; raises EFileError (the image and any earlier file untouched).
void SaveSettingsFile(const std::string& name);

enum class SettingsLoadResult {
    Loaded,     // RegImage replaced; settings groups and calibration marked loaded
    Missing,    // no such file: nothing changed
    WrongSize,  // not 512 bytes: refused, nothing changed; message says why
    ReadError   // could not be opened or read: nothing changed; message says why
};
struct SettingsLoad {
    SettingsLoadResult result;
    std::string message;  // for WrongSize and ReadError
};

// Reads the file into RegImage and sets KindLoaded for kinds 4..8 and CalibrationLoaded.
// Current-data, history and change flags are not touched.
SettingsLoad LoadSettingsFile(const std::string& name);

}  // namespace talvik
