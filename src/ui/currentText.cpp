// Texts of the current-data window (see currentText.h).
#include "ui/currentText.h"

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {

// The last three event rows are indented under "Event conditions: Start is".
#define TALVIK_EVENT_INDENT "                          "

const std::array<LangRow, ctRowCount> CurrentFormText = {{
    {"Current State", "État actuel", "当前状态", "Aktueller Zustand"},
    {"Wait For Transfer", "Attendre le transfert", "正在传输，请稍候", "Warten auf Übertragung"},
    {"CURRENT STATE DATA", "DONNÉES DE L'ÉTAT ACTUEL", "当前状态数据", "DATEN DES AKTUELLEN ZUSTANDS"},
    {"Time on QV clock", "Heure de l'horloge QV", "QV时钟时间", "Zeit der QV-Uhr"},
    {"Time QV went to Float ", "Heure du passage en floating ", "QV进入浮充的时间 ", "Zeit des Übergangs auf Erhaltung "},
    {"Load disconnect state is", "État de la coupure de charge", "负载断开状态", "Lastabwurf ist"},
    {"Gen control output is", "Sortie de commande du groupe", "发电机控制输出", "Generatorausgang ist"},
    {"Low voltage alarm is", "Alarme de tension basse", "低电压报警", "Unterspannungsalarm ist"},
    {"Days since last boost cycle", "Jours depuis la dernière charge rapide", "距上次升压充电天数",
     "Tage seit letzter Boost-Ladung"},
    {"Days since last equalisation cycle", "Jours depuis la dernière égalisation", "距上次均衡充电天数",
     "Tage seit letzter Ausgleichsladung"},
    {"Days since last generator exercise", "Jours depuis le dernier essai du groupe", "距上次发电机试运行天数",
     "Tage seit letztem Generatortestlauf"},
    {"PWM duty cycle", "Rapport cyclique PWM", "PWM占空比", "PWM-Tastverhältnis"},
    {"Solar Input voltage", "Tension d'entrée solaire", "太阳能输入电压", "Solareingangsspannung"},
    {"Light level is", "Niveau de lumière", "光照状态", "Lichtstärke ist"},
    {"Day/Night counter is", "Compteur jour/nuit", "昼夜计数器", "Tag/Nacht-Zähler ist"},
    {"Event controller is", "Contrôleur d'événement", "事件控制器", "Ereignissteuerung ist"},
    {"Event conditions: Start is", "Conditions d'événement : début", "事件条件：开始", "Ereignisbedingungen: Start ist"},
    {TALVIK_EVENT_INDENT "Stop is", TALVIK_EVENT_INDENT "fin", TALVIK_EVENT_INDENT "停止",
     TALVIK_EVENT_INDENT "Stopp ist"},
    {TALVIK_EVENT_INDENT "Emod is", TALVIK_EVENT_INDENT "Emod", TALVIK_EVENT_INDENT "Emod",
     TALVIK_EVENT_INDENT "Emod ist"},
    {TALVIK_EVENT_INDENT "Tmod is", TALVIK_EVENT_INDENT "Tmod", TALVIK_EVENT_INDENT "Tmod",
     TALVIK_EVENT_INDENT "Tmod ist"},
    {"Hours", "Heures", "小时", "Stunden"},
    {"Disconnected", "Déconnectée", "已断开", "Getrennt"},
    {"Connected", "Connectée", "已连接", "Verbunden"},
    {"Running", "En marche", "运行中", "Läuft"},
    {"Stopped", "Arrêté", "已停止", "Gestoppt"},
    {"Active", "Active", "激活", "Aktiv"},
    {"Inactive", "Inactive", "未激活", "Inaktiv"},
    {"Night", "Nuit", "夜间", "Nacht"},
    {"Day", "Jour", "白天", "Tag"},
    {"On", "Marche", "开", "Ein"},
    {"Off", "Arrêt", "关", "Aus"},
    {"Compensated Voltage", "Tension compensée", "补偿电压", "Kompensierte Spannung"},
    {"Display currrent state of QV", "Afficher l'état actuel du QV", "显示QV当前状态",
     "Aktuellen Zustand des QV anzeigen"},
    {"Click to re-read data", "Cliquer pour relire les données", "单击重新读取数据", "Klicken, um neu zu lesen"},
    {"Battery State of Charge", "État de charge de la batterie", "电池荷电状态", "Ladezustand der Batterie"},
    {"Charge into Battery", "Charge vers la batterie", "充入电池", "Ladung in die Batterie"},
    {"Charge Current", "Courant de charge", "充电电流", "Ladestrom"},
    {"Today's Charge Amp Hours", "Ampères-heures chargés aujourd'hui", "今日充电安时", "Heutige Lade-Ah"},
    {"Battery Temperature", "Température de la batterie", "电池温度", "Batterietemperatur"},
    {"Current drawn from Battery", "Courant tiré de la batterie", "电池输出电流", "Aus der Batterie entnommener Strom"},
    {"Load Current", "Courant de charge utile", "负载电流", "Laststrom"},
    {"Today's Load Amp hours", "Ampères-heures consommés aujourd'hui", "今日负载安时", "Heutige Last-Ah"},
    {"Actual Battery Voltage", "Tension actuelle de la batterie", "实际电池电压", "Aktuelle Batteriespannung"},
    {"Today's voltage max and min", "Tension max et min du jour", "今日电压最高和最低值",
     "Heutige maximale und minimale Spannung"},
    {"Click to read this data", "Cliquer pour lire ces données", "单击读取这些数据", "Klicken, um diese Daten zu lesen"},
    {"QV Type & version", "Type et version du QV", "QV型号和版本", "QV-Typ und Version"},
    {"Nominal System Voltage", "Tension nominale du système", "系统标称电压", "Nennspannung des Systems"},
    {"Regulation State", "État de régulation", "调节状态", "Regelzustand"},
}};

#undef TALVIK_EVENT_INDENT

std::string CurrentText(int row, int language) {
    return At(At(CurrentFormText, row), language);
}

namespace {

std::int32_t B(std::int32_t address) { return At(RegImage, address); }

// A voltage in tenths: with one decimal on systems up to 48 V, as a whole number above.
std::string VoltText(std::int32_t v) { return VoltageCode < 5 ? FormatTenthsCapped(v) : IntToStr(v); }

// An amount of current in tenths of an ampere: whole amperes from 100.0 A up.
std::string AmpText(std::int32_t a) { return a > 999 ? IntToStr(a / 10) : FormatTenthsCapped(a); }

struct CurrentTexts {
    std::string total, internal, external;
};

// One direction of current: internal part from the regulator, external part from the shunt
// input that the flags byte switches on and scales.
CurrentTexts CurrentParts(std::int32_t extByte, std::int32_t intByte, std::int32_t multiplier,
                          std::int32_t presentBit, std::int32_t tenBit) {
    const std::int32_t flags = B(207);
    const std::int32_t e = (flags & presentBit) == 0 ? 0 : (flags & tenBit) != 0 ? 10 : 1;
    const std::int32_t ext = CheckedMul(B(extByte), e);
    const std::int32_t in = CheckedMul(B(intByte), multiplier);
    const std::int32_t total = CheckedAdd(in, ext);
    const bool plain = ModelName == "Vilk";
    return {plain ? IntToStr(total) : AmpText(total), "Int " + (plain ? IntToStr(in) : FormatTenthsCapped(in)),
            "Ext " + AmpText(ext)};
}

std::int32_t Word16(std::int32_t lo) { return B(lo) + 256 * B(lo + 1); }

}  // namespace

CurrentLabels BuildCurrentLabels(int language) {
    auto T = [language](int row) { return CurrentText(row, language); };
    CurrentLabels L;
    DecodeRegulatorType();
    L.Typelab = ModelVersionText;
    L.nomvlab = std::string(At(VoltageText, VoltageCode)) + "V";
    L.batvlab = VoltText(VoltageTenthsA) + "V";

    // Day's range, widened by the present voltage (compared unscaled, on the products).
    std::int32_t lo = B(183) * VoltMult / VoltDiv, hi = B(182) * VoltMult / VoltDiv;
    if (CheckedMul(VoltageTenthsA, VoltDiv) < B(183) * VoltMult) lo = VoltageTenthsA;
    if (CheckedMul(VoltageTenthsA, VoltDiv) > B(182) * VoltMult) hi = VoltageTenthsA;
    L.maxminlab = VoltText(lo) + "<V<" + VoltText(hi);

    const CurrentTexts in = CurrentParts(205, 213, CurrentMultiplier, 4, 1);
    L.Chargelab2 = in.internal + "  " + in.external;
    L.Chargelab = "Current In " + in.total + " A";
    CurrentSummaryText[0] = "Current In \t" + in.total + "A\t" + in.internal + "\t" + in.external;
    CurrentValueText[0] = in.total;
    CurrentValueText[1] = in.internal;
    CurrentValueText[2] = in.external;

    const std::int32_t cInt = Word16(188), cExt = Word16(193);
    L.Camphrlab = "Charge " + IntToStr(cInt + cExt) + " Ah";
    L.camphrlab2 = "Int " + IntToStr(cInt) + "  Ext " + IntToStr(cExt);
    CurrentSummaryText[2] = "Charge \t" + IntToStr(cInt + cExt) + "Ah\tInt " + IntToStr(cInt) + "\tExt " + IntToStr(cExt);
    CurrentValueText[6] = IntToStr(cInt + cExt);
    CurrentValueText[7] = "Int " + IntToStr(cInt);
    CurrentValueText[8] = "Ext " + IntToStr(cExt);

    const CurrentTexts out = CurrentParts(206, 217, CurrentMultiplierExt, 8, 2);
    L.Loadlab2 = out.internal + "  " + out.external;
    L.Loadlab = "Current Out " + out.total + " A";
    CurrentSummaryText[1] = "Current Out \t" + out.total + "A\t" + out.internal + "\t" + out.external;
    CurrentValueText[3] = out.total;
    CurrentValueText[4] = out.internal;
    CurrentValueText[5] = out.external;

    const std::int32_t lInt = Word16(198), lExt = Word16(203);
    L.Lamphrlab = "Discharge " + IntToStr(lInt + lExt) + " Ah";
    L.lamphrlab2 = "Int " + IntToStr(lInt) + "   Ext " + IntToStr(lExt);
    CurrentSummaryText[3] =
        "Discharge \t" + IntToStr(lInt + lExt) + "Ah\tInt " + IntToStr(lInt) + "\tExt " + IntToStr(lExt);
    CurrentValueText[9] = IntToStr(lInt + lExt);
    CurrentValueText[10] = "Int " + IntToStr(lInt);
    CurrentValueText[11] = "Ext " + IntToStr(lExt);

    static const std::array<const char*, 4> states = {"BOOST", "EQUALISE", "ABSORBTION", "FLOAT"};
    L.Statelab = states[B(101) & 3];
    L.soclab = "SOC  " + IntToStr(B(181)) + "%";
    L.templab = IntToStr(B(52)) + " oC";

    L.ListCaption[0] = T(ctListHeading);
    for (int r = 1; r <= 17; ++r) L.ListCaption[r] = T(ctListFirst + r - 1);
    L.ListCaption[18] = T(ctCompensatedVoltage);

    auto bit = [](std::int32_t address, std::int32_t mask) { return (B(address) & mask) != 0; };
    auto word = [&](bool set, int whenSet, int whenClear) { return T(set ? whenSet : whenClear); };
    auto& v = L.ListValue;
    v[1] = FormatTenthsCapped(B(48)) + " " + T(ctHours);
    v[2] = FormatTenthsCapped(B(184)) + " " + T(ctHours);
    v[3] = word(bit(115, 1), ctDisconnected, ctConnected);
    v[4] = word(bit(115, 2), ctRunning, ctStopped);
    v[5] = word(bit(115, 16), ctActive, ctInactive);
    v[6] = IntToStr(B(63));
    v[7] = IntToStr(B(95));
    v[8] = IntToStr(B(96));
    v[9] = IntToStr(B(21) * 100 / 256) + " %";
    v[10] = (VoltageCode < 5 ? FormatTenthsCapped(B(53) * 5) : IntToStr(B(53))) + " V";
    v[11] = word(bit(37, 128), ctNight, ctDay);
    v[12] = IntToStr(B(37));
    v[13] = word(bit(115, 4), ctOn, ctOff);
    // The event condition bits read inverted: a set bit means the condition is off.
    v[14] = word(bit(98, 1), ctOff, ctOn);
    v[15] = word(bit(98, 8), ctOff, ctOn);
    v[16] = word(bit(98, 4), ctOff, ctOn);
    v[17] = word(bit(98, 2), ctOff, ctOn);
    v[18] = VoltText(VoltageTenthsB) + "V";
    return L;
}

}  // namespace talvik
