// The main window's per-language tables (captions, hints, status texts, dialog and report
// words) and the per-language fonts. A row holds four texts: English, French, Chinese, German,
// picked by LanguageNumber. Texts are UTF-8 here; the windows convert them at the Win32 edge.
// Nothing in this file touches a window: the toolkit layer reads these tables to label its
// controls.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace talvik {

constexpr int kLanguageCount = 4;
enum Language : int { LangEnglish = 0, LangFrench = 1, LangChinese = 2, LangGerman = 3 };

// One row of a per-language table; an empty text shows as an empty caption or hint.
using LangRow = std::array<const char*, kLanguageCount>;

// The chosen language, 0..3 (registry value "Language Number").
extern int LanguageNumber;

// Fonts per language: the working copy (registry section "Font") and the defaults.
extern std::array<std::string, kLanguageCount> LangFontName;
extern std::array<int, kLanguageCount> LangFontSize;
extern const std::array<const char*, kLanguageCount> DefaultFontName;
extern const std::array<int, kLanguageCount> DefaultFontSize;
// Character set a language's font is created with (the Win32 LOGFONT charset numbers:
// 0 ANSI, 134 GB2312).
extern const std::array<int, kLanguageCount> LangFontCharset;

// The font dialog of the language group offers these sizes (true-type and scalable fonts only).
constexpr int kFontDialogMinSize = 8;
constexpr int kFontDialogMaxSize = 14;

// The text of a row for a language. Rows are numbered from 1 in captiontext, StatusText,
// DialogText and ReportText; a row or language out of range raises "Range check error".
std::string LangText(const LangRow* table, std::size_t rowCount, int row, int language);

// captiontext: 85 rows of captions, hints and list entries of the main window.
extern const std::array<LangRow, 85> captiontext;
std::string CaptionText(int row, int language);
std::string CaptionText(int row);  // in LanguageNumber

// StatusText: 28 rows of status-bar texts (panel 5) used by the link and the main window.
extern const std::array<LangRow, 28> StatusText;
std::string StatusTextOf(int row, int language);
std::string StatusTextOf(int row);

// Row numbers of StatusText that callers name.
enum StatusRow : int {
    stPortOpen = 1, stPortSetOK = 2, stPortSetException = 3, stModemSetup = 4, stCantOpenPort = 5,
    stCommFail = 6, stDialing = 7, stCantOpenCommPort = 8, stSaveData = 9, stPrintData = 10,
    stQvDataPrintout = 11, stDataReceived = 12, stReadError = 13, stClosed = 14, stHangUp = 15,
    stBreak = 16, stTimeout = 17, stTapiClosed = 18, stWaitForClose = 19, stPortNotOpen = 20,
    stConnected = 21, stTapiFail = 22, stTapiOpen = 23, stCarrier = 24, stModemOK = 25,
    stModemTimeout = 26, stSite = 27, stError = 28
};

// DialogText: 10 rows for the report groups and the settings-file dialogs.
extern const std::array<LangRow, 10> DialogText;
std::string DialogTextOf(int row, int language);
enum DialogRow : int {
    dtCurrentState = 1, dtLoggedData = 2, dtControlSettings = 3, dtCalibration = 4,
    dtReportFontName = 5, dtReportHeadingFontName = 6, dtReportFontSize = 7, dtSettings = 8,
    dtSaveSettingsTitle = 9, dtRetrieveSettingsTitle = 10
};

// ReportText: the words of the text reports, the periodic log and the link's own messages.
enum ReportRow : int {
    rtFontName = 1, rtBodySize, rtTitle, rtDirectConnection, rtDialed, rtFileName, rtState,
    rtBatteryVoltage, rtDayRange, rtTemp, rtHistoryData, rtDay, rtControlSettings,
    rtCalibrationSettings, rtGain, rtOffset, rtRequestSent, rtDataReceived, rtCantOpenPort,
    rtChecksum, rtReportRowCount = rtChecksum
};
extern const std::array<LangRow, rtReportRowCount> ReportText;
std::string ReportTextOf(int row, int language);

// LogWriteText: why a periodic log record did not reach one of its files ("%s" is a folder).
enum LogWriteRow : int { lwNotWrittenTo = 1, lwNotRichText, lwNoFreeSpace, lwNoFolder, lwRowCount = lwNoFolder };
extern const std::array<LangRow, lwRowCount> LogWriteText;
std::string LogWriteTextOf(int row, int language);

// ReadOnlyFileText: why a file the user marked read-only was not written ("%s" is the file).
extern const LangRow ReadOnlyFileText;
std::string ReadOnlyFileTextOf(int language);

// The answers of the save dialog and the report's settings-group tags are the same in every
// language.
extern const std::array<const char*, 5> ReportGroupTag;   // "SET" .. "GEN"
extern const std::array<const char*, 3> SaveFileAnswer;   // "Append", "Overwrite", "Cancel"

}  // namespace talvik
