// The single-command panel's data (see singleCommand.h).
#include "ui/singleCommand.h"

#include "ui/lang.h"

namespace talvik {

std::vector<int> SendComboRows(bool siteMode) {
    if (siteMode) return {30, 31, 32, 33, 34, 35, 36, 37, 38, 84};
    return {30, 31, 32, 33, 34, 35, 36, 83};
}

SingleCommandInputs SingleInputsFor(int index, bool siteMode) {
    SingleCommandInputs in{false, false, index == scModeOrZirb ? 78 : 74};
    switch (index) {
    case scReadRam:
    case scReadEeprom: in.address = true; break;
    case scWriteRam:
    case scWriteEeprom: in.address = in.data = true; break;
    case scModeOrZirb: in.data = siteMode; break;
    default: break;
    }
    return in;
}

namespace {
const LangRow PanelTexts[] = {
    /* 1 */ {"Path Delay", "Délai de liaison", "线路延时", "Laufzeit"},
    /* 2 */ {"View", "Afficher", "查看", "Anzeigen"},
    /* 3 */ {"The settings could not be saved in the registry.",
             "Les réglages n'ont pas pu être enregistrés dans le registre.", "无法将设置保存到注册表。",
             "Die Einstellungen konnten nicht in der Registrierung gespeichert werden."},
};
}  // namespace

std::string PanelText(int row, int language) {
    return LangText(PanelTexts, sizeof PanelTexts / sizeof PanelTexts[0], row, language);
}

}  // namespace talvik
