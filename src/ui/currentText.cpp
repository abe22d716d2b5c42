// Texts of the current-data window (see currentText.h).
#include "ui/currentText.h"

#include <algorithm>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {

std::array<std::string, 4> CurrentSummaryText;
std::array<std::string, 12> CurrentValueText;

const std::array<LangRow, ctRowCount> CurrentFormText = {{
    {"Current State", "État actuel", "当前状态", "Aktueller Zustand"},
    {"Wait For Transfer", "Attendre le transfert", "等待传输", "Warten auf Übertragung"},
    {"CURRENT STATE DATA", "DONNÉES D'ÉTAT ACTUEL", "当前状态数据", "DATEN DES AKTUELLEN ZUSTANDS"},
    {"Time on QV clock", "Heure de l'horloge du QV", "QV时钟时间", "Zeit der QV-Uhr"},
    {"Time QV went to Float ", "Heure du passage en floating ", "QV进入浮充的时间 ", "Zeit des Übergangs in Erhaltung "},
    {"Load disconnect state is", "État de la déconnexion de charge", "负载断开状态", "Lastabwurf ist"},
    {"Gen control output is", "Sortie de commande du groupe", "发电机控制输出", "Generatorausgang ist"},
    {"Low voltage alarm is", "Alarme de tension basse", "低压报警", "Unterspannungsalarm ist"},
    {"Days since last boost cycle", "Jours depuis le dernier boost", "距上次提升充电的天数", "Tage seit dem letzten Boost-Zyklus"},
    {"Days since last equalisation cycle", "Jours depuis la dernière égalisation", "距上次均衡充电的天数",
     "Tage seit dem letzten Ausgleichszyklus"},
    {"Days since last generator exercise", "Jours depuis le dernier dérouillage du groupe", "距上次发电机试运行的天数",
     "Tage seit dem letzten Generatorprobelauf"},
    {"PWM duty cycle", "Rapport cyclique PWM", "PWM占空比", "PWM-Tastverhältnis"},
    {"Solar Input voltage", "Tension d'entrée solaire", "太阳能输入电压", "Solareingangsspannung"},
    {"Light level is", "Luminosité", "光照状态", "Helligkeit ist"},
    {"Day/Night counter is", "Compteur jour/nuit", "昼夜计数器", "Tag/Nacht-Zähler ist"},
    {"Event controller is", "Contrôleur d'événements", "事件控制器", "Ereignissteuerung ist"},
    {"Event conditions: Start is", "Conditions d'événement : début", "事件条件：启动", "Ereignisbedingungen: Start ist"},
    {"                          Stop is", "                          fin", "                          停止",
     "                          Stopp ist"},
    {"                          Emod is", "                          Emod", "                          Emod",
     "                          Emod ist"},
    {"                          Tmod is", "                          Tmod", "                          Tmod",
     "                          Tmod ist"},
    {"Compensated Voltage", "Tension compensée", "补偿电压", "Kompensierte Spannung"},
    {"Hours", "Heures", "小时", "Stunden"},
    {"Connected", "Connectée", "已连接", "Verbunden"},
    {"Disconnected", "Déconnectée", "已断开", "Getrennt"},
    {"Running", "En marche", "运行中", "Läuft"},
    {"Stopped", "Arrêtée", "已停止", "Gestoppt"},
    {"Active", "Active", "激活", "Aktiv"},
    {"Inactive", "Inactive", "未激活", "Inaktiv"},
    {"Night", "Nuit", "夜间", "Nacht"},
    {"Day", "Jour", "白天", "Tag"},
    {"On", "Marche", "开", "Ein"},
    {"Off", "Arrêt", "关", "Aus"},
    {"BOOST", "BOOST", "提升充电", "BOOST"},
    {"EQUALISE", "ÉGALISATION", "均衡充电", "AUSGLEICH"},
    {"ABSORBTION", "ABSORPTION", "吸收充电", "ABSORPTION"},
    {"FLOAT", "FLOATING", "浮充", "ERHALTUNG"},
    {"Display currrent state of QV", "Afficher l'état actuel du QV", "显示QV的当前状态", "Aktuellen Zustand des QV anzeigen"},
    {"Click to re-read data", "Cliquer pour relire les données", "单击重新读取数据", "Klicken, um die Daten neu zu lesen"},
    {"Battery State of Charge", "État de charge de la batterie", "电池荷电状态", "Ladezustand der Batterie"},
    {"Charge into Battery", "Charge vers la batterie", "充入电池", "Ladung in die Batterie"},
    {"Charge Current", "Courant de charge", "充电电流", "Ladestrom"},
    {"Today's Charge Amp Hours", "Ah de charge du jour", "今日充电安时", "Heutige Lade-Ah"},
    {"Battery Temperature", "Température de la batterie", "电池温度", "Batterietemperatur"},
    {"Current drawn from Battery", "Courant tiré de la batterie", "从电池取用的电流", "Aus der Batterie entnommener Strom"},
    {"Load Current", "Courant consommé", "负载电流", "Laststrom"},
    {"Today's Load Amp hours", "Ah consommés du jour", "今日负载安时", "Heutige Last-Ah"},
    {"Actual Battery Voltage", "Tension actuelle de la batterie", "当前电池电压", "Aktuelle Batteriespannung"},
    {"Today's voltage max and min", "Tension max. et min. du jour", "今日最高和最低电压", "Heutige Höchst- und Mindestspannung"},
    {"Click to read this data", "Cliquer pour lire ces données", "单击读取这些数据", "Klicken, um diese Daten zu lesen"},
    {"QV Type & version", "Type et version du QV", "QV型号和版本", "QV-Typ und Version"},
    {"Nominal System Voltage", "Tension nominale du système", "系统标称电压", "Nennspannung des Systems"},
    {"Regulation State", "État de régulation", "调节状态", "Regelzustand"},
}};

std::string CurrentFormTextOf(int row, int language) {
    return LangText(CurrentFormText.data(), CurrentFormText.size(), row, language);
}

int CurrentLabelFontSize(int language, int languageFontSize) {
    if (language == LangChinese && languageFontSize > 12) return languageFontSize;
    return std::clamp(languageFontSize, 9, 12);
}

namespace {

std::int32_t B(std::int32_t address) { return At(RegImage, address); }

// A voltage in tenths for 12..48 V systems, in whole volts above.
std::string VoltText(std::int32_t v) { return VoltageCode < 5 ? FormatTenthsCapped(v) : IntToStr(v); }

// An amount of current in tenths of an ampere: whole amperes from 1000 tenths on.
std::string AmpsText(std::int32_t a) { return a > 999 ? IntToStr(a / 10) : FormatTenthsCapped(a); }

struct CurrentParts {
    std::string total, intText, extText;
};

CurrentParts Currents(std::int32_t flags, std::int32_t presentBit, std::int32_t tenBit, std::int32_t extByte,
                      std::int32_t intByte, std::int32_t multiplier) {
    const std::int32_t e = (flags & presentBit) == 0 ? 0 : ((flags & tenBit) ? 10 : 1);
    const std::int32_t ext = B(extByte) * e;
    const std::int32_t in = CheckedMul(B(intByte), multiplier);
    const std::int32_t total = CheckedAdd(in, ext);
    // The "Vilk" reports its internal current in whole amperes.
    const bool whole = ModelName == "Vilk";
    return {whole ? IntToStr(total) : AmpsText(total), "Int " + (whole ? IntToStr(in) : FormatTenthsCapped(in)),
            "Ext " + AmpsText(ext)};
}

}  // namespace

CurrentLabelTexts BuildCurrentTexts(int language) {
    RangeCheck(language, 0, kLanguageCount - 1);
    auto word = [language](int row) { return CurrentFormTextOf(row, language); };
    DecodeRegulatorType();
    CurrentLabelTexts t;

    t.Typelab = ModelVersionText;
    t.nomvlab = std::string(At(VoltageText, VoltageCode)) + "V";
    t.batvlab = VoltText(VoltageTenthsA) + "V";

    // The day's range, widened by the present voltage (compared unscaled).
    std::int32_t lo = B(183) * VoltMult / VoltDiv;
    std::int32_t hi = B(182) * VoltMult / VoltDiv;
    if (CheckedMul(VoltageTenthsA, VoltDiv) < B(183) * VoltMult) lo = VoltageTenthsA;
    if (CheckedMul(VoltageTenthsA, VoltDiv) > B(182) * VoltMult) hi = VoltageTenthsA;
    t.maxminlab = VoltText(lo) + "<V<" + VoltText(hi);

    const std::int32_t flags = B(207);
    const CurrentParts in = Currents(flags, 4, 1, 205, 213, CurrentMultiplier);
    t.Chargelab2 = in.intText + "  " + in.extText;
    t.Chargelab = "Current In " + in.total + " A";
    CurrentSummaryText[0] = "Current In \t" + in.total + "A\t" + in.intText + "\t" + in.extText;
    CurrentValueText[0] = in.total;
    CurrentValueText[1] = in.intText;
    CurrentValueText[2] = in.extText;

    const std::int32_t cInt = B(188) + 256 * B(189);
    const std::int32_t cExt = B(193) + 256 * B(194);
    t.Camphrlab = "Charge " + IntToStr(cInt + cExt) + " Ah";
    t.camphrlab2 = "Int " + IntToStr(cInt) + "  Ext " + IntToStr(cExt);
    CurrentSummaryText[2] = "Charge \t" + IntToStr(cInt + cExt) + "Ah\tInt " + IntToStr(cInt) + "\tExt " + IntToStr(cExt);
    CurrentValueText[6] = IntToStr(cInt + cExt);
    CurrentValueText[7] = "Int " + IntToStr(cInt);
    CurrentValueText[8] = "Ext " + IntToStr(cExt);

    const CurrentParts out = Currents(flags, 8, 2, 206, 217, CurrentMultiplierExt);
    t.Loadlab2 = out.intText + "  " + out.extText;
    t.Loadlab = "Current Out " + out.total + " A";
    CurrentSummaryText[1] = "Current Out \t" + out.total + "A\t" + out.intText + "\t" + out.extText;
    CurrentValueText[3] = out.total;
    CurrentValueText[4] = out.intText;
    CurrentValueText[5] = out.extText;

    const std::int32_t dInt = B(198) + 256 * B(199);
    const std::int32_t dExt = B(203) + 256 * B(204);
    t.Lamphrlab = "Discharge " + IntToStr(dInt + dExt) + " Ah";
    t.lamphrlab2 = "Int " + IntToStr(dInt) + "   Ext " + IntToStr(dExt);
    CurrentSummaryText[3] = "Discharge \t" + IntToStr(dInt + dExt) + "Ah\tInt " + IntToStr(dInt) + "\tExt " + IntToStr(dExt);
    CurrentValueText[9] = IntToStr(dInt + dExt);
    CurrentValueText[10] = "Int " + IntToStr(dInt);
    CurrentValueText[11] = "Ext " + IntToStr(dExt);

    t.Statelab = word(ctBoost + (B(101) & 3));
    t.soclab = "SOC  " + IntToStr(B(181)) + "%";
    t.templab = IntToStr(B(52)) + " oC";

    const std::int32_t sw = B(115);
    const std::int32_t ev = B(98);
    t.list[1] = FormatTenthsCapped(B(48)) + " " + word(ctHours);
    t.list[2] = FormatTenthsCapped(B(184)) + " " + word(ctHours);
    t.list[3] = word((sw & 1) ? ctDisconnected : ctConnected);
    t.list[4] = word((sw & 2) ? ctRunning : ctStopped);
    t.list[5] = word((sw & 16) ? ctActive : ctInactive);
    t.list[6] = IntToStr(B(63));
    t.list[7] = IntToStr(B(95));
    t.list[8] = IntToStr(B(96));
    t.list[9] = IntToStr(B(21) * 100 / 256) + " %";
    t.list[10] = (VoltageCode < 5 ? FormatTenthsCapped(B(53) * 5) : IntToStr(B(53))) + " V";
    t.list[11] = word((B(37) & 128) ? ctNight : ctDay);
    t.list[12] = IntToStr(B(37));
    t.list[13] = word((sw & 4) ? ctOn : ctOff);
    // The event condition bits read inverted: a set bit means the condition is off.
    t.list[14] = word((ev & 1) ? ctOff : ctOn);
    t.list[15] = word((ev & 8) ? ctOff : ctOn);
    t.list[16] = word((ev & 4) ? ctOff : ctOn);
    t.list[17] = word((ev & 2) ? ctOff : ctOn);
    t.list[18] = VoltText(VoltageTenthsB) + "V";
    return t;
}

}  // namespace talvik
