// Which regulator the data read (or loaded) so far belongs to, and the rules that keep the link
// from writing into a regulator what was never read from it: programming the whole setting list
// needs every group it writes, a single setting needs the bytes it is built from, and a change of
// the regulator addressed (the line: direct port or call; the site mode and number) makes all
// data read before count as not loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace talvik {

// The regulator the frames go to: the line (a direct port, or a call to a number) and, on a
// network, one site of it.
struct TRegulatorTarget {
    bool Call = false;        // through a modem or telephony call rather than the direct line
    std::int32_t Port = 0;    // the direct port number; 0 on a call
    std::string Number;       // the number dialled; empty on the direct line
    bool SiteMode = false;
    std::int32_t Site = 0;    // 0 outside site mode
    bool operator==(const TRegulatorTarget&) const = default;
};

// The line and site a transfer (a read, a write, a programming run, a history run) talks to,
// fixed when it starts: every frame of it carries this site byte in this frame format, and goes
// out on the port and at the speed of its first frame.
struct TTransferLine {
    bool SiteMode = false;
    std::uint8_t Site = 0;
    bool LineKnown = false;   // port and speed are taken when the first frame goes out
    std::int32_t Port = 0;
    std::int32_t Baud = 0;
};
inline TTransferLine TransferLine;

// The regulator that the data-valid flags speak for; empty while nothing was read or loaded.
inline std::optional<TRegulatorTarget> LoadedTarget;

// Programming all writes image addresses 64..94 (EEPROM copies and working copies), and every
// one of them belongs to one of the settings groups 4..8: all five must hold read data.
bool SettingListLoaded();

// A whole image was loaded from a settings file the user chose: the settings groups and the
// calibration count as loaded (current data and history do not).
void MarkImageLoaded();

// Whether image address Address holds data read from the regulator addressed (or loaded from a
// settings file): some loaded settings group or the loaded calibration reads it.
bool AddressLoaded(std::int32_t Address);

// Every data group back to not loaded: the five settings groups, the calibration, the history
// and both current-data pages.
void MarkAllNotLoaded();

}  // namespace talvik
