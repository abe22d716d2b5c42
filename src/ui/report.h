// The operator's text report and the periodic log record, written into a rich-text document
// through ReportSink: the header, the current state, the logged history, the control settings
// and the calibration. The main window's hidden report editor is the real sink; the texts come
// from the current-data window, the memory image and the settings formats.
#pragma once

#include <string>
#include <vector>

#include "ui/currentText.h"

namespace talvik {

enum class ReportColour { Black, Red, Blue };

// Where a report is written. Insert puts text at the caret with the current attributes; AddLine
// appends a paragraph of its own at the end of the document. Both land at the end here.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // Tab stops of the paragraph at the caret, before anything is written.
    virtual int TabStopCount() = 0;
    virtual void SetFirstIndentZero() = 0;
    virtual void SetColour(ReportColour c) = 0;
    virtual void SetSize(int points) = 0;
    // Sets stops 0 .. size-1 of the current paragraph, in points.
    virtual void SetTabs(const std::vector<int>& points) = 0;
    virtual void Insert(const std::string& text) = 0;
    virtual void AddLine(const std::string& text) = 0;
};

// What the report needs from the windows around it.
struct ReportContext {
    int language = 0;
    std::string date;     // system short date
    std::string time;     // system long time
    std::string version;  // "major.minor"
    bool directMode = true;
    std::string dialNumber;
    // Save panel: a group is chosen when its box is checked and enabled.
    bool currentChecked = false;
    bool currentChosen = false;
    bool historyChosen = false;
    bool settingsChosen = false;
    bool calibrationChosen = false;
    // The current-data window's captions and list cells as shown.
    CurrentLabelTexts labels;
};

int ReportHeadingSize(int language);
int ReportBodySize(int language);

// Appends one report to the sink. FileName is only printed. Sets CurrentMultiplier from the
// model byte. A history day pointer above 29 raises ERangeError after the history heading.
void buildreport(ReportSink& sink, const ReportContext& ctx, const std::string& FileName);

// Whether any of the five settings groups holds data (read, or loaded from a settings file).
bool AnySettingsGroupLoaded();

class T_objCSV;
// Appends one log record to the sink and fills and commits the 37-field CSV row in csv; the
// caller writes the row (CsvWriteToFile), so each log file succeeds or fails on its own.
// Always the current state, whatever the save panel says.
void buildlogreport(ReportSink& sink, const ReportContext& ctx, T_objCSV& csv);

constexpr int LogCsvColumnCount = 37;
constexpr const char* LogCsvFileName = "LOGFILE.CSV";

}  // namespace talvik
