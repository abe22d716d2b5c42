// The help window and its per-language texts.
#include "ui/helpwin.h"

#include "base/debugchannel.h"
#include "base/rtl.h"

namespace talvik {

Thelpform* helpform = nullptr;
std::string Thelpform::HelpDirectory;

const LangRow HelpCaption = {"HELP", "ASSISTANCE", "帮助", "Hilfe"};

const std::array<LangRow, 2> HelpMissingText = {{
    {"ERROR  File", "", "错误  文件", "Fehler Datei"},
    {"Not Found", "", "未找到", "nicht gefunden"},
}};

void helpwinInitialization() { DebugChannel("Load helpwin"); }

std::string HelpFileName(int language) {
    switch (language) {
    case 1: return "qvhlpfre.rtf";
    case 2: return "qvhlpchi.rtf";
    case 3: return "qvhlpger.rtf";
    default: return "qvhlpeng.rtf";
    }
}

namespace {
std::string ProgramDirectory() {
    std::wstring path(MAX_PATH * 2, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    auto slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1));
}
}  // namespace

Thelpform::Thelpform() {
    Name = "helpform";
    SetBounds(0, 96, 500, 480);
    helpedit = new TRichEdit(this);
    helpedit->Name = "helpedit";
    helpedit->SetReadOnly(true);
    RECT r;
    GetClientRect(hwnd_, &r);
    helpedit->SetBounds(0, 0, r.right, r.bottom);
    OnCreate = [this](TForm*) { PrepareWindow(); };
    OnActivate = [this](TForm* f) { FormCreate(f); };
}

void Thelpform::PrepareWindow() {
    int lang = LanguageNumber;
    SetBounds(0, 96, 500, Height());
    TFont font{At(LangFontName, lang), At(LangFontSize, lang), At(LangFontCharset, lang), false};
    SetFont(font);
    helpedit->SetFont(font);
    SetCaption(At(HelpCaption, lang));
    DebugChannel(Name);
}

void Thelpform::FormCreate(TForm*) {
    PrepareWindow();
    int lang = LanguageNumber;
    std::string dir = HelpDirectory.empty() ? ProgramDirectory() : HelpDirectory;
    std::string path = dir + HelpFileName(lang);
    DWORD attrs = GetFileAttributesW(Widen(path).c_str());
    bool exists = attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
    if (exists) {
        helpedit->LoadFromFile(path);
    } else {
        helpedit->SetText(std::string(At(HelpMissingText[0], lang)) + " " + path + " " + At(HelpMissingText[1], lang));
    }
}

}  // namespace talvik
