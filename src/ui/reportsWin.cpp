// Reports and the periodic log on the main window's rich-text editor (see reportsWin.h).
#include "ui/reportsWin.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>

#include "base/debugchannel.h"
#include "base/format.h"
#include "toolkit/dialogs.h"
#include "ui/reportFile.h"

namespace talvik {

namespace {

std::wstring Wide(const std::string& s) {
    const std::u16string w = Utf8ToUtf16(s);
    return std::wstring(w.begin(), w.end());
}

std::string Narrow(const wchar_t* s) {
    std::u16string w(reinterpret_cast<const char16_t*>(s));
    return Utf16ToUtf8(w);
}

COLORREF ColourRef(ReportColour c) {
    switch (c) {
        case ReportColour::Red: return RGB(255, 0, 0);
        case ReportColour::Blue: return RGB(0, 0, 255);
        default: return RGB(0, 0, 0);
    }
}

PARAFORMAT2 ParaFormatAt(HWND h) {
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof(pf);
    SendMessageW(h, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    return pf;
}

}  // namespace

RichEditReportSink::RichEditReportSink(TRichEdit& edit) : h_(edit.Handle()) {}

void RichEditReportSink::CaretToEnd() {
    CHARRANGE end{-1, -1};
    SendMessageW(h_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
}

int RichEditReportSink::TabStopCount() {
    CaretToEnd();
    const PARAFORMAT2 pf = ParaFormatAt(h_);
    return (pf.dwMask & PFM_TABSTOPS) ? pf.cTabCount : 0;
}

void RichEditReportSink::SetFirstIndentZero() {
    CaretToEnd();
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof(pf);
    pf.dwMask = PFM_STARTINDENT;
    pf.dxStartIndent = 0;
    SendMessageW(h_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

void RichEditReportSink::SetColour(ReportColour c) { colour_ = c; }

void RichEditReportSink::SetSize(int points) { size_ = points; }

void RichEditReportSink::SetTabs(const std::vector<int>& points) {
    CaretToEnd();
    PARAFORMAT2 pf = ParaFormatAt(h_);
    const int have = (pf.dwMask & PFM_TABSTOPS) ? pf.cTabCount : 0;
    const int count = std::min<int>(std::max<int>(have, static_cast<int>(points.size())), MAX_TAB_STOPS);
    for (int i = 0; i < count && i < static_cast<int>(points.size()); ++i) pf.rgxTabs[i] = points[static_cast<std::size_t>(i)] * 20;
    pf.cbSize = sizeof(pf);
    pf.dwMask = PFM_TABSTOPS;
    pf.cTabCount = static_cast<SHORT>(count);
    SendMessageW(h_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

void RichEditReportSink::Insert(const std::string& text) {
    CaretToEnd();
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_SIZE | CFM_COLOR;
    cf.yHeight = size_ * 20;
    cf.crTextColor = ColourRef(colour_);
    SendMessageW(h_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    const std::wstring w = Wide(text);
    SendMessageW(h_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(w.c_str()));
}

void RichEditReportSink::AddLine(const std::string& text) {
    // A paragraph of its own: start one unless the document is empty or already ends a line.
    const int len = GetWindowTextLengthW(h_);
    bool endsLine = len == 0;
    if (!endsLine) {
        wchar_t last[2] = L"";
        TEXTRANGEW tr{{len - 1, len}, last};
        SendMessageW(h_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&tr));
        endsLine = last[0] == L'\r' || last[0] == L'\n';
    }
    Insert((endsLine ? "" : "\r\n") + text + "\r\n");
}

bool PrintWithDialog(const TRichEdit& edit, const std::string& title) {
    TPrintDialog dlg;
    if (!dlg.Execute()) return false;
    struct OwnedDC {
        HDC dc;
        ~OwnedDC() { DeleteDC(dc); }
    } printer{dlg.TakeDC()};
    edit.Print(printer.dc, title);
    return true;
}

std::string SystemShortDate() {
    wchar_t date[64] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 64);
    return Narrow(date);
}

std::string SystemLongTime() {
    wchar_t time[64] = L"";
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, 64);
    return Narrow(time);
}

std::string ReportFolderOverride;

std::string ReportFolder() {
    if (!ReportFolderOverride.empty()) return ReportFolderOverride;
    std::wstring path(MAX_PATH * 2, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return ExtractFileDir(Narrow(path.c_str()));
}

std::string ReportPath(const std::string& name) { return AnchoredPath(name, ReportFolder()); }

T_objCSV& LogCsv() {
    static T_objCSV csv;
    static const bool ready = [] {
        csv.CsvSetColumnCount(LogCsvColumnCount);
        csv.SetFileName(LogCsvFileName);
        return true;
    }();
    (void)ready;
    return csv;
}

void BuildLogRecordIn(TRichEdit& edit, const std::string& name, bool loadExisting, const ReportContext& ctx) {
    edit.Clear();
    if (loadExisting) edit.LoadFromFile(name);
    RichEditReportSink sink(edit);
    buildlogreport(sink, ctx, LogCsv());
}

void AppendLogCsvRow() {
    T_objCSV& csv = LogCsv();
    csv.SetFileName(ReportPath(LogCsvFileName));
    csv.CsvWriteToFile();
}

}  // namespace talvik
