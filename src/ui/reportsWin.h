// The Win32 side of the reports: the main window's rich-text editor as the place a report or a
// log record is written, the system's date and time texts, and the periodic log write.
#pragma once

#include <string>

#include "toolkit/comctrls.h"
#include "ui/report.h"
#include "ui/uCSV.h"

namespace talvik {

// Writes at the end of a rich-text editor with the attributes the report asks for.
class RichEditReportSink : public ReportSink {
public:
    explicit RichEditReportSink(TRichEdit& edit);
    int TabStopCount() override;
    void SetFirstIndentZero() override;
    void SetColour(ReportColour c) override;
    void SetSize(int points) override;
    void SetTabs(const std::vector<int>& points) override;
    void Insert(const std::string& text) override;
    void AddLine(const std::string& text) override;

private:
    void CaretToEnd();
    HWND h_;
    ReportColour colour_ = ReportColour::Black;
    int size_ = 10;
};

// Asks for a printer with the print dialog and prints the editor's whole document there as one
// job named title. False when the user cancels; raises when the printer refuses.
bool PrintWithDialog(const TRichEdit& edit, const std::string& title);

// System short date and long time of now.
std::string SystemShortDate();
std::string SystemLongTime();

// The folder that relative report and log names are taken in: the program's own folder
// (tests point it elsewhere), with a trailing backslash.
std::string ReportFolder();
extern std::string ReportFolderOverride;
// A report or log name as the full path it is read and written at.
std::string ReportPath(const std::string& name);

// The periodic log's CSV writer: 37 columns, "LOGFILE.CSV" in the report folder.
T_objCSV& LogCsv();

// One log record in the editor: cleared, the existing log loaded into it when loadExisting,
// then the record added after it; the record's CSV row is committed in LogCsv. Raises when the
// log cannot be read.
void BuildLogRecordIn(TRichEdit& edit, const std::string& name, bool loadExisting, const ReportContext& ctx);
// Appends LogCsv's row to LOGFILE.CSV in the report folder; raises on failure.
void AppendLogCsvRow();

}  // namespace talvik
