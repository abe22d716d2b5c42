// Saving and loading the memory image as a settings file (see settingsFile.h).
#include "ui/settingsFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvDataGuard.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/SettingsFormat.h"
#include "ui/fileUtil.h"
#include "ui/uCSV.h"

namespace talvik {

static_assert(SettingsFileSize == ImageSize);

namespace {

const std::array<LangRow, 4> SettingsFileTable = {{
    {"%s is not a settings file: it holds %s bytes, a settings file holds exactly 512. Nothing was loaded.",
     "%s n'est pas un fichier de réglages : il contient %s octets, un fichier de réglages en contient "
     "exactement 512. Rien n'a été chargé.",
     "%s 不是设置文件：它有 %s 字节，设置文件恰好为 512 字节。未载入任何内容。",
     "%s ist keine Einstellungsdatei: Sie enthält %s Bytes, eine Einstellungsdatei genau 512. Es wurde nichts "
     "geladen."},
    {"%s does not hold a regulator's settings: its type byte %d is that of the Xal alarm accessory. Nothing "
     "was loaded.",
     "%s ne contient pas les réglages d'un régulateur : son octet de type %d est celui de l'accessoire "
     "d'alarme Xal. Rien n'a été chargé.",
     "%s 不包含调节器的设置：其类型字节 %d 属于 Xal 报警附件。未载入任何内容。",
     "%s enthält keine Reglereinstellungen: Ihr Typbyte %d ist das des Alarmzubehörs Xal. Es wurde nichts "
     "geladen."},
    {"%s holds settings that the settings editor does not allow: \"%s\" is stored as %d, where the editor "
     "allows %d to %d. Nothing was loaded.",
     "%s contient des réglages que l'éditeur de réglages n'admet pas : « %s » est enregistré à %d, alors que "
     "l'éditeur admet de %d à %d. Rien n'a été chargé.",
     "%s 包含设置编辑器不允许的设置：“%s”的存储值为 %d，而编辑器允许 %d 至 %d。未载入任何内容。",
     "%s enthält Einstellungen, die der Einstellungseditor nicht zulässt: „%s“ ist als %d gespeichert, der "
     "Editor lässt %d bis %d zu. Es wurde nichts geladen."},
    {"A settings file cannot be loaded while the regulator is being read or programmed.",
     "Un fichier de réglages ne peut pas être chargé pendant la lecture ou la programmation du régulateur.",
     "读取或编程调节器期间不能载入设置文件。",
     "Eine Einstellungsdatei kann nicht geladen werden, während der Regler gelesen oder programmiert wird."},
}};

// Type bytes 96..127 are the alarm accessory's; every other byte names a regulator model.
constexpr int AccessoryTypeFirst = 96, AccessoryTypeLast = 127;

std::string FileNameOnly(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

std::string SettingsFileText(int row, int language) {
    return LangText(SettingsFileTable.data(), SettingsFileTable.size(), row, language);
}

std::string RegulatorImageFault(const std::string& shownName, const std::array<std::uint8_t, SettingsFileSize>& image,
                                int language) {
    const int type = image[static_cast<std::size_t>(ModelTypeAddress())];
    if (type >= AccessoryTypeFirst && type <= AccessoryTypeLast)
        return Format(SettingsFileText(sfAccessory, language).c_str(), shownName.c_str(), type);
    // Every setting the program-all list would send must be one some editing could have left on
    // this model at this system voltage: for a value whose meaning follows a mode, under any mode,
    // for the editor does not limit it again when the mode changes. The system voltage itself is
    // not held to the editor's codes: with the type byte it says which limits apply, and a
    // regulator on a larger bank holds a code the editor never types.
    const RegulatorModel model = ModelOf(type, image[static_cast<std::size_t>(ModelVoltageAddress())]);
    for (std::int32_t index = 0; index < kSettingCount; ++index) {
        const std::int32_t address = At(SettingAddress, index);
        if (address < SettingListFirst || address > SettingListLast || index == kSystemVoltageSetting) continue;
        const std::vector<SettingRange> ranges = SettingEditableRanges(index, model.name, model.voltageCode);
        const std::int32_t v = SettingRawValue(index, image);
        const auto allows = [v](const SettingRange& r) { return v >= r.least && v <= r.most; };
        if (std::any_of(ranges.begin(), ranges.end(), allows)) continue;
        // Named by the caption of the row the file's own mode picks, with the span of every mode's limits.
        SettingRange span = ranges.front();
        for (const SettingRange& r : ranges) span = {std::min(span.least, r.least), std::max(span.most, r.most)};
        const std::string caption = Trim(SettingCaptionText(SettingLimitCaption(image, index), language));
        return Format(SettingsFileText(sfSettingOutside, language).c_str(), shownName.c_str(), caption.c_str(), v,
                      span.least, span.most);
    }
    return {};
}

void SaveSettingsFile(const std::string& name) {
    WriteWholeFile(name, std::string(reinterpret_cast<const char*>(RegImage.data()), RegImage.size()));
}

SettingsLoad LoadSettingsFile(const std::string& name, int language) {
    if (!FileExistsUtf8(name)) return {SettingsLoadResult::Missing, {}};
    const std::string shown = FileNameOnly(name);
    // The size first: a file of any other size is refused before a byte of it is read.
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(PathOfUtf8(name), ec);
    if (!ec && size != static_cast<std::uintmax_t>(SettingsFileSize)) {
        return {SettingsLoadResult::WrongSize,
                Format(SettingsFileText(sfWrongSize, language).c_str(), shown.c_str(),
                       IntToStr(static_cast<long long>(size)).c_str())};
    }
    std::string data;
    try {
        data = ReadWholeFile(name);
    } catch (const EFileError& e) {
        return {SettingsLoadResult::ReadError, e.what()};
    }
    if (data.size() != static_cast<std::size_t>(SettingsFileSize)) {
        return {SettingsLoadResult::WrongSize,
                Format(SettingsFileText(sfWrongSize, language).c_str(), shown.c_str(),
                       IntToStr(static_cast<long long>(data.size())).c_str())};
    }
    std::array<std::uint8_t, SettingsFileSize> image{};
    std::memcpy(image.data(), data.data(), image.size());
    const std::string fault = RegulatorImageFault(shown, image, language);
    if (!fault.empty()) return {SettingsLoadResult::NotARegulator, fault};
    std::memcpy(RegImage.data(), image.data(), RegImage.size());
    MarkImageLoaded();
    // The file's RAM page and history are a copy from another time, not what the regulator
    // shows now.
    CurrentLoaded = CurrentStringLoaded = HistoryLoaded = false;
    return {SettingsLoadResult::Loaded, {}};
}

}  // namespace talvik
