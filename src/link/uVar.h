// The data the whole regulator link works on and the windows read: the 512-byte image of the
// regulator's memory with its change flags, the accessory block, the request kind and the
// link's state variables. Plain globals, touched only on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/rtl.h"

namespace talvik {

// A fixed array indexed Lo..Hi with a range check on every access.
template <class T, int Lo, int Hi>
class TRangeArray {
public:
    T& operator[](int i) { return a_[Index(i)]; }
    const T& operator[](int i) const { return a_[Index(i)]; }
    void Fill(const T& v) { a_.fill(v); }

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(RangeCheck(i, Lo, Hi) - Lo); }
    std::array<T, Hi - Lo + 1> a_{};
};

constexpr int ImageSize = 512;
constexpr int XalBlockSize = 22;
constexpr int SampleBufferSize = 13;

// The working settings that programming the whole setting list sends, to RAM and to their
// EEPROM homes (EEPROM 14..44).
constexpr int SettingListFirst = 64, SettingListLast = 94;
constexpr int SettingListSize = SettingListLast - SettingListFirst + 1;
// EEPROM home of the first working setting (the frame's address byte).
constexpr int SettingListEepromFirst = 14;

// Memory image: 0..255 the regulator's RAM, 256..511 its EEPROM (sent as address - 256).
inline std::array<std::uint8_t, ImageSize> RegImage{};
// Set by the settings editor for an address it changed; cleared when the address is sent or read.
inline std::array<bool, ImageSize> ChangedFlags{};
// The accessory block, filled by kind 11 and written byte by byte by the accessory write.
inline std::array<std::uint8_t, XalBlockSize> xaldata{};

// Request kind of the running request (1 single command / history, 2..11 reads).
inline std::int32_t DataKind = 0;

// Data-valid flags of the groups.
inline TRangeArray<bool, 4, 8> KindLoaded;
inline bool CalibrationLoaded = false;
inline bool HistoryLoaded = false;
inline bool CurrentLoaded = false;
inline bool CurrentStringLoaded = false;

// Link state.
inline std::int32_t comm_state = 0;
inline bool CommBusy = false;
inline std::int32_t BusyWatchdog = 0;
inline std::int32_t reccount = 0;
inline std::int32_t RepeatCount = 0;
inline std::int32_t ReadNum = 0;
inline std::int32_t SampleIndex = 0;
inline std::array<std::uint8_t, SampleBufferSize> SampleBuffer{};
// Beside each sample: whether it is a data byte of a proper reply (a bad header is no sample
// value and must never be matched against).
inline std::array<bool, SampleBufferSize> SampleIsData{};
inline std::int32_t ReplyByte = 0;
inline bool ReplyHeaderSeen = false;
inline bool ReplyDataReceived = false;
inline bool ReadEndFlag = false;
inline bool ReadAborted = false;
inline bool UnlockPending = false;
inline std::int32_t ParkedAddress = 0;
inline std::int32_t ParkedData = 0;
inline bool SiteMode = false;
inline bool DirectMode = false;
inline bool Online = false;
inline bool Dialling = false;
inline bool LoggingRead = false;
inline std::int32_t SendCount = 0;
inline bool SendAll = false;
// A setting write, bulk write or accessory write is running; no read may start meanwhile.
inline bool WriteBusy = false;

inline std::uint16_t RequestTrigger = 0;
inline std::uint16_t SettingsTrigger = 0;
inline std::uint16_t ModemSetupTrigger = 0;
inline std::uint16_t XalTrigger = 0;
inline std::uint16_t HangupTrigger = 0;
inline bool RequestTriggerAdded = false;
inline bool SettingsTriggerAdded = false;
inline bool ModemSetupTriggerAdded = false;
inline bool XalTriggerAdded = false;
inline bool HangupTriggerAdded = false;
inline std::uint16_t DialTrigger = 0;

// Read path.
inline bool ChainFlag = false;
inline bool InGetdata = false;
inline bool StartupPending = false;
inline bool LogWritePending = false;

// Write path, prepared by the settings editor.
inline std::int32_t WriteAddress = 0;
inline std::int32_t WriteValue = 0;
inline std::int32_t WriteRamAddress = 0;
inline std::int32_t WriteRamValue = 0;
inline std::int32_t SettingIndex = 0;
inline std::int32_t SettingRamValue = 0;
inline std::int32_t EditedValue = 0;
inline bool WriteNeedsUnlock = false;
inline std::int32_t SendOneState = 0;
inline bool VerifyHeaderSeen = false;
// The read-back of the running EEPROM write: like a read byte, the byte read back counts only
// once two replies in a row agree. Replies taken so far, and the last one (-1: none usable).
inline std::int32_t VerifySamples = 0;
inline std::int32_t VerifyLastReply = -1;
// An error of the running write attempt has been counted against the programming run's
// allowance: one failed attempt counts once, whatever else went wrong in it.
inline bool AttemptCounted = false;
inline std::int32_t XalWriteDelay = 0;

// History test and clear, single command and site set.
inline bool HistLoadMode = false;
inline bool HistClearMode = false;
inline bool SingleCommandUnlock = false;
inline bool ZirbSiteCheck = false;
inline bool ZirbSiteSet = false;
inline std::int32_t RandomTestByte = 0;

// Dial path.
inline bool HangupInProgress = false;
inline bool HangupRequested = false;
// 0 none, 1 "+++" due, 2 "ATH0" due, 3 done.
inline std::int32_t HangupStage = 0;
inline bool CallEnded = false;
inline bool LogDial = false;
inline bool ReadOnConnect = false;
// Seconds left of the dial retry and of the call, counted down by the one-second timer.
inline std::int32_t DialCountdown = 0;
inline std::int32_t HangupCountdown = 0;

// Ports of the direct line and of the modem (registry defaults 1 and 3).
inline std::int32_t DirectPortNumber = 1;
inline std::int32_t ModemPortNumber = 3;
// The number of the call up or being dialled (AT modem or telephony); the regulator it reaches
// is another than the direct line's.
inline std::string DialledNumber;

// The debug window is enabled: frames and bytes are traced into it as well.
inline bool DebugEnabled = false;

// The address to read for DataKind and ReadNum. A DataKind outside 1..11 raises the assertion
// "Invalid Data destination in Read Add".
std::int32_t readaddr();

// Marks the five settings groups as not loaded.
void cleardataflags();

// Every link variable back to its start value and RegImage, ChangedFlags and xaldata zeroed.
void ResetLinkState();

}  // namespace talvik
