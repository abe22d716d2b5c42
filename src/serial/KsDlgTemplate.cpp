// In-memory dialog templates (see KsDlgTemplate.h).
#include "serial/KsDlgTemplate.h"

#include <cstddef>

namespace talvik {

namespace {
void PushText(std::vector<WORD>& t, const wchar_t* text) {
    for (const wchar_t* c = text; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
}
}  // namespace

TDialogTemplate::TDialogTemplate(const wchar_t* Caption, short Cx, short Cy) {
    DLGTEMPLATE dt{};
    dt.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dt.cx = Cx;
    dt.cy = Cy;
    const WORD* p = reinterpret_cast<const WORD*>(&dt);
    t_.insert(t_.end(), p, p + sizeof dt / sizeof(WORD));
    t_.push_back(0);  // no menu
    t_.push_back(0);  // default class
    PushText(t_, Caption);
    t_.push_back(8);
    PushText(t_, L"MS Shell Dlg");
}

void TDialogTemplate::Add(DWORD Style, WORD Id, WORD Cls, const wchar_t* Text) {
    while (t_.size() % 2) t_.push_back(0);  // items start on a DWORD boundary
    DLGITEMTEMPLATE item{};
    item.style = Style | WS_CHILD | WS_VISIBLE;
    item.cx = 10;
    item.cy = 10;
    item.id = Id;
    const WORD* p = reinterpret_cast<const WORD*>(&item);
    t_.insert(t_.end(), p, p + sizeof item / sizeof(WORD));
    t_.push_back(0xFFFF);
    t_.push_back(Cls);
    PushText(t_, Text);
    t_.push_back(0);  // no creation data
    ++count_;
}

INT_PTR TDialogTemplate::Run(DLGPROC Proc, LPARAM Param) {
    reinterpret_cast<DLGTEMPLATE*>(t_.data())->cdit = count_;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t_.data()),
                                   GetActiveWindow(), Proc, Param);
}

}  // namespace talvik
