// readregistry/writeregistry and the text encoding of values (see uRegistry.h).
#include "ui/uRegistry.h"

#include <algorithm>
#include <cctype>

#include "base/format.h"

namespace talvik {

std::int32_t IniStore::ReadInteger(const std::string& section, const std::string& name,
                                   std::int32_t def) {
    return StrToIntDef(ReadString(section, name, IntToStr(def)), def);
}

bool IniStore::ReadBool(const std::string& section, const std::string& name, bool def) {
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

bool IniStore::WriteInteger(const std::string& section, const std::string& name, std::int32_t value) {
    return WriteString(section, name, IntToStr(value));
}

bool IniStore::WriteBool(const std::string& section, const std::string& name, bool value) {
    return WriteString(section, name, value ? "1" : "0");
}

std::string MemoryIniStore::ReadString(const std::string& section, const std::string& name,
                                       const std::string& def) {
    reads.push_back(section + "/" + name);
    auto it = values.find({section, name});
    return it == values.end() ? def : it->second;
}

bool MemoryIniStore::WriteString(const std::string& section, const std::string& name,
                                 const std::string& value) {
    writes.push_back(section + "/" + name);
    if (failWrites) return false;
    values[{section, name}] = value;
    return true;
}

std::string ApplyDialMask(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c >= '0' && c <= '9' && out.size() < 16) out += c;
    }
    return out;
}

namespace {

// A value limited to lo..hi the way a spin edit limits what is put into it.
std::int32_t Limited(std::int32_t v, std::int32_t lo, std::int32_t hi) {
    return std::clamp(v, lo, hi);
}

// A value that only makes sense inside lo..hi; anything else gives the default.
std::int32_t InRangeOr(std::int32_t v, std::int32_t lo, std::int32_t hi, std::int32_t def) {
    return (v < lo || v > hi) ? def : v;
}

// The first max characters (not bytes) of a UTF-8 text.
std::string LimitedText(const std::string& text, std::size_t max) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == max) return text.substr(0, i);
    }
    return text;
}

std::string PhoneNameKey(int i) { return "id name " + IntToStr(i); }
std::string PhoneNumberKey(int i) { return "phone number " + IntToStr(i); }
std::string FontNameKey(int i) { return "Lang " + IntToStr(i) + " Name "; }
std::string FontSizeKey(int i) { return "Lang " + IntToStr(i) + " Size "; }

}  // namespace

void readregistry(IniStore& ini, RegistrySettings& s) {
    const RegistrySettings d;  // defaults
    const std::string S = kSectionSettings;
    s.PeriodicLogRate = Limited(ini.ReadInteger(S, "Periodic Log Rate", d.PeriodicLogRate), 1, 48);
    // The baud list has four entries; a stored index outside it must never reach BaudRates.
    s.BaudIndex = Limited(ini.ReadInteger(S, "Baud Rate", d.BaudIndex), 0, 3);
    // The port edits take 1..254 and keep what they took: the same range comes back.
    s.DirectPortNumber = InRangeOr(ini.ReadInteger(S, "Direct Port Number", d.DirectPortNumber), 1,
                                   kMaxPortNumber, d.DirectPortNumber);
    s.ModemPortNumber = InRangeOr(ini.ReadInteger(S, "Modem Port Number", d.ModemPortNumber), 1,
                                  kMaxPortNumber, d.ModemPortNumber);
    s.LanguageNumber = InRangeOr(ini.ReadInteger(S, "Language Number", d.LanguageNumber), 0, 3,
                                 d.LanguageNumber);
    // A 12 V system is 1 and a 48 V system 4; nothing else is a multiplier of the family.
    s.VoltageMultiplier = InRangeOr(ini.ReadInteger(S, "Voltage Multiplier", d.VoltageMultiplier), 1, 4,
                                    d.VoltageMultiplier);
    s.CurrentMultiplier = ini.ReadInteger(S, "Current Multiplier", d.CurrentMultiplier);
    s.CurrentMultiplierExt = ini.ReadInteger(S, "Current Multiplier ext", d.CurrentMultiplierExt);
    s.PhoneListLine = InRangeOr(ini.ReadInteger(S, "Current PhoneList Line", d.PhoneListLine), 1,
                                kPhoneBookRows, d.PhoneListLine);
    s.SiteNumber = Limited(ini.ReadInteger(S, "Site Number", d.SiteNumber), 0, 240);
    s.DialString = ApplyDialMask(ini.ReadString(S, "Dial String", d.DialString));
    s.SaveFileName = LimitedText(ini.ReadString(S, "Save File", d.SaveFileName), kMaxFileNameLength);
    s.LogNumber = ApplyDialMask(ini.ReadString(S, "Log Number", d.LogNumber));
    s.LogFileName = LimitedText(ini.ReadString(S, "Log File", d.LogFileName), kMaxFileNameLength);
    s.PathTimeDelay = Limited(ini.ReadInteger(S, "Path Time delay", d.PathTimeDelay), 2, 20);
    s.ModemSetString = LimitedText(ini.ReadString(S, "Modem Set String", d.ModemSetString), kMaxModemSetLength);
    s.SelectedTapiDevice =
        LimitedText(ini.ReadString(S, "Selected TAPI Device", d.SelectedTapiDevice), kMaxTapiDeviceLength);

    const std::string O = kSectionSaveOptions;
    s.CurrentData = ini.ReadBool(O, "Current Data", d.CurrentData);
    s.DayData = ini.ReadBool(O, "Day Data", d.DayData);
    s.SettingsData = ini.ReadBool(O, "Settings Data", d.SettingsData);
    s.CalibrationData = ini.ReadBool(O, "Calibration Data", d.CalibrationData);
    s.SampleEnabled = ini.ReadBool(O, "Sample enabled", d.SampleEnabled);
    s.LogDialUpEnabled = ini.ReadBool(O, "Log Dial Up enabled", d.LogDialUpEnabled);
    s.AlarmBeep = ini.ReadBool(O, "Alarm Beep", d.AlarmBeep);
    s.AlarmDial = ini.ReadBool(O, "Alarm Dial", d.AlarmDial);
    s.SiteMode = ini.ReadBool(O, "Site mode", d.SiteMode);

    for (int i = 1; i <= kPhoneBookRows; ++i) {
        PhoneBookEntry& e = s.PhoneBook[static_cast<std::size_t>(i - 1)];
        e.name = LimitedText(ini.ReadString(kSectionPhoneList, PhoneNameKey(i), ""), kMaxStationNameLength);
        e.number = ApplyDialMask(ini.ReadString(kSectionPhoneList, PhoneNumberKey(i), ""));
    }

    for (int i = 0; i < kStoredFontLanguages; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::string name = LimitedText(ini.ReadString(kSectionFont, FontNameKey(i), d.FontName[k]), kMaxFontNameLength);
        s.FontName[k] = Trim(name).empty() ? d.FontName[k] : name;
        s.FontSize[k] = InRangeOr(ini.ReadInteger(kSectionFont, FontSizeKey(i), d.FontSize[k]), 1, 72,
                                  d.FontSize[k]);
    }
    s.FontName[3] = d.FontName[3];
    s.FontSize[3] = d.FontSize[3];

    s.TapiSelection = ini.ReadBool(O, "Tapi selection", d.TapiSelection);
}

bool writeregistry(IniStore& ini, const RegistrySettings& s) {
    bool ok = true;
    auto note = [&ok](bool written) { ok = ok && written; };
    const std::string S = kSectionSettings;
    note(ini.WriteInteger(S, "Periodic Log Rate", s.PeriodicLogRate));
    note(ini.WriteInteger(S, "Baud Rate", s.BaudIndex));
    note(ini.WriteInteger(S, "Direct Port Number", s.DirectPortNumber));
    note(ini.WriteInteger(S, "Modem Port Number", s.ModemPortNumber));
    note(ini.WriteInteger(S, "Language Number", s.LanguageNumber));
    note(ini.WriteInteger(S, "Voltage Multiplier", s.VoltageMultiplier));
    note(ini.WriteInteger(S, "Current Multiplier", s.CurrentMultiplier));
    note(ini.WriteInteger(S, "Current Multiplier ext", s.CurrentMultiplierExt));
    note(ini.WriteInteger(S, "Current PhoneList Line", s.PhoneListLine));
    note(ini.WriteInteger(S, "Site Number", s.SiteNumber));
    note(ini.WriteString(S, "Dial String", s.DialString));
    note(ini.WriteString(S, "Save File", s.SaveFileName));
    note(ini.WriteString(S, "Log File", s.LogFileName));
    note(ini.WriteString(S, "Log Number", s.LogNumber));
    note(ini.WriteInteger(S, "Path Time delay", s.PathTimeDelay));
    note(ini.WriteString(S, "Modem Set String", s.ModemSetString));
    note(ini.WriteString(S, "Selected TAPI Device", s.SelectedTapiDevice));

    const std::string O = kSectionSaveOptions;
    note(ini.WriteBool(O, "Current Data", s.CurrentData));
    note(ini.WriteBool(O, "Day Data", s.DayData));
    note(ini.WriteBool(O, "Settings Data", s.SettingsData));
    note(ini.WriteBool(O, "Calibration Data", s.CalibrationData));
    note(ini.WriteBool(O, "Sample enabled", s.SampleEnabled));
    note(ini.WriteBool(O, "Log Dial Up enabled", s.LogDialUpEnabled));
    note(ini.WriteBool(O, "Tapi selection", s.TapiSelection));
    note(ini.WriteBool(O, "Site mode", s.SiteMode));

    for (int i = 1; i <= kPhoneBookRows; ++i) {
        const PhoneBookEntry& e = s.PhoneBook[static_cast<std::size_t>(i - 1)];
        note(ini.WriteString(kSectionPhoneList, PhoneNameKey(i), e.name));
        note(ini.WriteString(kSectionPhoneList, PhoneNumberKey(i), e.number));
    }
    for (int i = 0; i < kStoredFontLanguages; ++i) {
        const auto k = static_cast<std::size_t>(i);
        note(ini.WriteString(kSectionFont, FontNameKey(i), s.FontName[k]));
        note(ini.WriteInteger(kSectionFont, FontSizeKey(i), s.FontSize[k]));
    }
    return ok;
}

}  // namespace talvik
