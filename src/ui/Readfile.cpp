// The viewer window (see Readfile.h).
#include "ui/Readfile.h"

#include <algorithm>

#include "base/rtl.h"
#include "ui/mainImages.h"
#include "ui/reportsWin.h"

namespace talvik {

TReadform* Readform = nullptr;

const std::array<LangRow, 7> ReadformText = {{
    {"Data in file: ", "Données du fichier : ", "文件中的数据：", "Daten in Datei: "},
    {"View Data in file", "Afficher les données du fichier", "查看文件中的数据", "Daten in Datei anzeigen"},
    {"Name of Data File Showing", "Nom du fichier affiché", "显示的数据文件名", "Name der angezeigten Datei"},
    {"Print File", "Imprimer le fichier", "打印文件", "Datei drucken"},
    {"Close Window", "Fermer la fenêtre", "关闭窗口", "Fenster schließen"},
    {"ERROR -file does not exist", "ERREUR -le fichier n'existe pas", "错误 -文件不存在", "FEHLER -Datei existiert nicht"},
    {"QV Data PrintOut", "Impression des données QV", "QV 数据打印", "QV-Datenausdruck"},
}};

std::string ReadformTextOf(int row, int language) {
    return LangText(ReadformText.data(), ReadformText.size(), row, language);
}

TReadform::TReadform() {
    Name = "Readform";
    SetCaption("");
    SetBounds(0, 150, 640, 373);
    LoadMainImages(glyphs_);
    Panel1 = new TPanel(this);
    Panel1->Name = "Panel1";
    filelab = new TLabel(Panel1);
    filelab->Name = "filelab";
    BitBtn1 = new TBitBtn(Panel1);
    BitBtn1->Name = "BitBtn1";
    BitBtn1->SetGlyph(&glyphs_, imgPrint);
    BitBtn2 = new TBitBtn(Panel1);
    BitBtn2->Name = "BitBtn2";
    BitBtn2->SetGlyph(&glyphs_, imgNo);
    BitBtn2->SetCancel(true);
    Readedit = new TRichEdit(this);
    Readedit->Name = "Readedit";
    Readedit->SetReadOnly(true);

    RECT r;
    GetClientRect(hwnd_, &r);
    Panel1->SetBounds(0, 0, r.right, 40);
    filelab->SetBounds(4, 3, 360, 36);
    BitBtn1->SetBounds(496, 4, 60, 33);
    BitBtn2->SetBounds(568, 4, 60, 33);
    Readedit->SetBounds(0, 40, r.right, std::max<int>(300, r.bottom - 40));

    BitBtn1->OnClick = [this](TControl*) { BitBtn1Click(); };
    BitBtn2->OnClick = [this](TControl*) { BitBtn2Click(); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
}

void TReadform::FormActivate(TForm*) {
    const int lang = RangeCheck(LanguageNumber, 0, 3);
    const TFont font{At(LangFontName, lang), At(LangFontSize, lang), At(LangFontCharset, lang), false};
    filelab->SetFont(font);
    Readedit->SetFont(font);
    SetFont(font);
    filelab->SetHint(ReadformTextOf(rfNameOfDataFileShowing, lang));
    BitBtn1->SetHint(ReadformTextOf(rfPrintFile, lang));
    BitBtn2->SetHint(ReadformTextOf(rfCloseWindow, lang));
    SetCaption(ReadformTextOf(rfViewDataInFile, lang));

    const std::string name = FileToShow ? FileToShow() : std::string();
    filelab->SetCaption(ReadformTextOf(rfDataInFile, lang) + " " + name);
    const DWORD attrs = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Widen(name).c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        Readedit->LoadFromFile(name);
    } else {
        Readedit->Clear();
        Readedit->Add(ReadformTextOf(rfFileMissing, lang));
        if (ViewerBeep) ViewerBeep();
    }
}

std::function<void()> TReadform::ViewerBeep = [] { MessageBeep(0); };

void TReadform::BitBtn1Click() { PrintWithDialog(*Readedit, ReadformTextOf(rfPrintOut, RangeCheck(LanguageNumber, 0, 3))); }

void TReadform::BitBtn2Click() { Hide(); }

}  // namespace talvik
