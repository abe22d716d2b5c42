// Which regulator the data read (or loaded) so far belongs to, and the rules that keep the link
// from writing into a regulator what was never read from it: programming the whole setting list
// needs every group it writes, and a change of the regulator addressed (site number, single or
// site mode) makes all data read before count as not loaded.
#pragma once

#include <cstdint>
#include <optional>

namespace talvik {

// The regulator the frames go to: the one on the line, or one site of a network.
struct TRegulatorTarget {
    bool SiteMode = false;
    std::int32_t Site = 0;  // 0 outside site mode
    bool operator==(const TRegulatorTarget&) const = default;
};

// The regulator that the data-valid flags speak for; empty while nothing was read or loaded.
inline std::optional<TRegulatorTarget> LoadedTarget;

// Programming all writes image addresses 64..94 (EEPROM copies and working copies), and every
// one of them belongs to one of the settings groups 4..8: all five must hold read data.
bool SettingListLoaded();

// A whole image was loaded from a settings file the user chose: the settings groups and the
// calibration count as loaded (current data and history do not).
void MarkImageLoaded();

// Every data group back to not loaded: the five settings groups, the calibration, the history
// and both current-data pages.
void MarkAllNotLoaded();

}  // namespace talvik
