// Saving and loading the memory image as a settings file (see settingsFile.h).
#include "ui/settingsFile.h"

#include <cstring>

#include "base/format.h"
#include "link/qvDataGuard.h"
#include "link/uVar.h"
#include "ui/fileUtil.h"
#include "ui/uCSV.h"

namespace talvik {

static_assert(SettingsFileSize == ImageSize);

void SaveSettingsFile(const std::string& name) {
    WriteWholeFile(name, std::string(reinterpret_cast<const char*>(RegImage.data()), RegImage.size()));
}

SettingsLoad LoadSettingsFile(const std::string& name) {
    if (!FileExistsUtf8(name)) return {SettingsLoadResult::Missing, {}};
    std::string data;
    try {
        data = ReadWholeFile(name);
    } catch (const EFileError& e) {
        return {SettingsLoadResult::ReadError, e.what()};
    }
    if (data.size() != static_cast<std::size_t>(SettingsFileSize)) {
        return {SettingsLoadResult::WrongSize,
                Format("%s is not a settings file: it holds %llu bytes, a settings file holds exactly %d.",
                       name.c_str(), static_cast<unsigned long long>(data.size()), SettingsFileSize)};
    }
    std::memcpy(RegImage.data(), data.data(), RegImage.size());
    MarkImageLoaded();
    return {SettingsLoadResult::Loaded, {}};
}

}  // namespace talvik
