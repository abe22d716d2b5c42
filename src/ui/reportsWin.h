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

// System short date and long time of now.
std::string SystemShortDate();
std::string SystemLongTime();

// The periodic log's CSV writer: 37 columns, "LOGFILE.CSV" in the current directory.
T_objCSV& LogCsv();

// One log record: the editor is cleared, an existing log file is loaded into it, the record is
// added (and its CSV row appended) and the document saved back whole. Raises on file errors.
void WriteLogRecordFile(TRichEdit& edit, const std::string& name, bool newFile, const ReportContext& ctx);

}  // namespace talvik
