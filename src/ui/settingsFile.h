// The settings file (".stp"): the regulator's whole 512-byte memory image on disk, byte 0
// first, nothing else. Saving replaces the file in one step. Loading believes a file only once
// it has been checked: its size first (before anything is read), then that its bytes look like a
// regulator's memory; a file that fails leaves the image and every flag as they were.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/lang.h"

namespace talvik {

constexpr int SettingsFileSize = 512;

// Writes RegImage to the file; raises EFileError (the image and any earlier file untouched).
void SaveSettingsFile(const std::string& name);

enum class SettingsLoadResult {
    Loaded,         // RegImage replaced; settings groups and calibration marked loaded
    Missing,        // no such file: nothing changed
    WrongSize,      // not 512 bytes: refused, nothing changed; message says why
    NotARegulator,  // 512 bytes that no regulator, or no setting the editor allows, holds: refused,
                    // nothing changed; message says why
    ReadError       // could not be opened or read: nothing changed; message says why
};
struct SettingsLoad {
    SettingsLoadResult result;
    std::string message;  // for WrongSize, NotARegulator and ReadError, in the language asked for
};

// Checks the file and reads it into RegImage: KindLoaded for kinds 4..8 and CalibrationLoaded
// are set, the current-data and history flags cleared (the file's RAM and history page are no
// live data). Change flags are not touched.
SettingsLoad LoadSettingsFile(const std::string& name, int language = LangEnglish);

// Why an image (of the file shownName) does not look like a regulator's memory, in a language;
// empty when it does: the type byte names a regulator model (not the alarm accessory), and every
// setting that programming the whole list sends holds a value some editing could have given it on
// that model and system voltage (under any of the modes that steer it; the system voltage itself
// excepted).
std::string RegulatorImageFault(const std::string& shownName, const std::array<std::uint8_t, SettingsFileSize>& image,
                                int language);

// Texts of the settings file's messages, rows 1.. of a per-language table.
enum SettingsFileTextRow {
    sfWrongSize = 1,      // name, size
    sfAccessory,          // name, type byte
    sfSettingOutside,     // name, setting caption, stored value, least, most
    sfBusy,
};
std::string SettingsFileText(int row, int language);

}  // namespace talvik
