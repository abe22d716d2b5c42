// The accessory block's arithmetic and texts (see xalBlock.h).
#include "ui/xalBlock.h"

#include <cctype>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"

namespace talvik {

const std::array<std::uint8_t, 21> XalDefaultData = {0,   0,   0,   0,   0,   0, 0,   0,  112, 116, 115,
                                                      125, 117, 154, 0, 227, 32, 32, 32, 32,  32};

namespace {
const char* const kVoltText[5] = {"12", "24", "32", "36", "48"};
const char* const kBaudText[4] = {"300", "1200", "2400", "9600"};

// The number a text holds, as the grid's number conversion reads it (blanks around allowed).
std::optional<std::int32_t> Number(const std::string& s) { return TryStrToInt(Trim(s)); }

// Tenths of a value written with at most one decimal; nothing when it is no such number.
std::optional<std::int32_t> Tenths(const std::string& s) {
    const std::string t = Trim(s);
    if (t.empty()) return std::nullopt;
    std::int64_t whole = 0;
    int tenth = 0;
    bool point = false, digits = false;
    int decimals = 0;
    for (char c : t) {
        if (c == '.' && !point) {
            point = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            digits = true;
            if (!point) {
                whole = whole * 10 + (c - '0');
                if (whole > 100000) return std::nullopt;
            } else if (++decimals == 1) {
                tenth = c - '0';
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return static_cast<std::int32_t>(whole * 10 + tenth);
}
}  // namespace

std::uint8_t XalChecksum(const XalBlock& B) {
    unsigned sum = 0;
    for (int i = 0; i <= 14; ++i) sum += B[static_cast<std::size_t>(i)];
    return static_cast<std::uint8_t>(sum & 255);
}

std::uint8_t XalConfiguration(const XalBlock& B) {
    std::uint8_t c = 0;
    for (int bit = 0; bit < 8; ++bit) {
        int n = 0;
        for (int i = 16; i <= 20; ++i) n += (B[static_cast<std::size_t>(i)] >> bit) & 1;
        if (n > 2) c = static_cast<std::uint8_t>(c | (1u << bit));
    }
    return c;
}

XalTexts XalToTexts(const XalBlock& B, bool& ChecksumOk) {
    const std::uint8_t sum = XalChecksum(B);
    ChecksumOk = sum == B[15];
    if (!ChecksumOk)
        DebugChannel("checksum xaldata[15] (" + IntToStr(B[15]) + ") <> (" + IntToStr(sum) +
                     ") lo(sum) xaldata from 0 to 14");
    const std::uint8_t config = XalConfiguration(B);
    int volt = config & 7;
    if (volt > 4) volt = 4;
    const int baud = (config >> 4) & 3;
    std::int32_t m = 1, d = 1;
    VoltageScale(volt, m, d);
    XalTexts t;
    t[1] = kVoltText[volt];
    t[2] = kBaudText[baud];
    for (int i = 8; i <= 13; ++i) {
        // Trunc(b * M / D + 0.499) in whole numbers.
        const long long tenths = (static_cast<long long>(B[static_cast<std::size_t>(i)]) * m * 1000 + 499LL * d) / (1000LL * d);
        // Two digit places with a blank for a leading zero, as the grid keeps typed values, so
        // that a threshold below 10 V reads back as the same number when written.
        std::string s = IntToStr(tenths / 10) + "." + IntToStr(tenths % 10);
        if (tenths < 100) s = " " + s;
        t[static_cast<std::size_t>(i - 5)] = s;
    }
    t[9] = IntToStr(B[14]);
    return t;
}

void TextsToXal(const XalTexts& T, XalBlock& B) {
    const std::int32_t v = Number(T[1]).value_or(0);
    const int volt = v == 12 ? 0 : v == 24 ? 1 : v == 32 ? 2 : v == 36 ? 3 : 4;
    const std::int32_t r = Number(T[2]).value_or(0);
    const int baud = r == 300 ? 0 : r == 1200 ? 1 : r == 2400 ? 2 : 3;
    std::int32_t m = 1, d = 1;
    VoltageScale(volt, m, d);
    for (int i = 16; i <= 20; ++i) B[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(volt + 16 * baud);
    for (int row = 3; row <= 8; ++row) {
        const long long tenths = Tenths(T[static_cast<std::size_t>(row)]).value_or(120);
        const long long b = (tenths * d * 1000 + 499LL * m) / (1000LL * m);
        B[static_cast<std::size_t>(row + 5)] = static_cast<std::uint8_t>(b > 255 ? 255 : b);
    }
    std::int32_t delay = Number(T[9]).value_or(48);
    if (delay > 255) delay = 255;
    if (delay < 0) delay = 0;
    B[14] = static_cast<std::uint8_t>(delay);
    B[15] = XalChecksum(B);
    DebugChannel("calculated checksum xaldata[15] value is " + IntToStr(B[15]));
}

std::string NormaliseXalCell(int Row, const std::string& Text) {
    RangeCheck(Row, 1, 9);
    if (Row == 1) {
        const std::int32_t n = Number(Text).value_or(0);
        return n < 19 ? "12" : n <= 30 ? "24" : n <= 34 ? "32" : n <= 39 ? "36" : "48";
    }
    if (Row == 2) {
        const std::int32_t n = Number(Text).value_or(0);
        return n < 1000 ? "300" : n < 2000 ? "1200" : n < 4000 ? "2400" : "9600";
    }
    if (Row == 9) {
        const auto n = Number(Text);
        if (!n) return Text;
        return IntToStr(*n > 255 ? 255 : *n < 0 ? 0 : *n);
    }
    std::string t = Text;
    if (t.empty()) t = "00";
    else if (t.size() == 1) t = "0" + t;
    std::string s = "000" + t + "0";
    for (char& c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') c = '0';
    std::string r;
    const auto p = s.find('.');   // 0-based; the text's own position is p + 1
    if (p == std::string::npos) {
        r = s.substr(3, 2) + ".0";
    } else {
        // "000" in front puts at least three characters before the point.
        r = s.substr(p - 2, 2) + "." + s.substr(p + 1, 1);
    }
    if (r[0] == '0') r[0] = ' ';
    return r;
}

const std::array<LangRow, 41> XalRowCaption = {{
    {"XAL Setting", "Réglage XAL", "XAL 设置", "XAL-Einstellung"},
    {"XAL System Voltage", "Tension du système XAL", "XAL 系统电压", "XAL-Systemspannung"},
    {"Baud Rate", "Vitesse", "波特率", "Baudrate"},
    {"Urgent Low Voltage Alarm On below", "Alarme urgente tension basse active sous",
     "紧急低压报警开 低于", "Dringender Unterspannungsalarm ein unter"},
    {"Urgent Low Voltage Alarm Off above", "Alarme urgente tension basse inactive au-dessus de",
     "紧急低压报警关 高于", "Dringender Unterspannungsalarm aus über"},
    {"Urgent High Voltage Alarm On above", "Alarme urgente tension haute active au-dessus de",
     "紧急高压报警开 高于", "Dringender Überspannungsalarm ein über"},
    {"Urgent High Voltage Alarm Off below", "Alarme urgente tension haute inactive sous",
     "紧急高压报警关 低于", "Dringender Überspannungsalarm aus unter"},
    {"Non Urgent Alarm On below", "Alarme non urgente active sous", "非紧急报警开 低于",
     "Nicht dringender Alarm ein unter"},
    {"Non Urgent Alarm On above", "Alarme non urgente active au-dessus de", "非紧急报警开 高于",
     "Nicht dringender Alarm ein über"},
    {"Charge fail alarm delay time", "Délai d'alarme défaut de charge", "充电故障报警延时",
     "Verzögerung Ladefehleralarm"},
    {"", "", "", ""},
    {"V", "V", "V", "V"},
    {"baud", "baud", "波特", "Baud"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"V", "V", "V", "V"},
    {"hours", "heures", "小时", "Stunden"},
    {"Read XAL Settings", "Lire réglages XAL", "读取 XAL 设置", "XAL-Einstellungen lesen"},
    {"Write XAL Settings", "Écrire réglages XAL", "写入 XAL 设置", "XAL-Einstellungen schreiben"},
    {"XAL Alarm unit Programming Utility", "Programmation de l'alarme XAL", "XAL 报警器编程工具",
     "Programmierung der XAL-Alarmeinheit"},
    {"XAL Programmer", "Programmateur XAL", "XAL 编程器", "XAL-Programmierer"},
    {"Value", "Valeur", "数值", "Wert"},
    {"Close", "Fermer", "关闭", "Schließen"},
    {"Checksum", "", "", ""},
    {"Check OK", "Contrôle OK", "校验正确", "Prüfung OK"},
    {"Check Bad", "Contrôle faux", "校验错误", "Prüfung falsch"},
    {"Send", "Envoi", "发送", "Senden"},
    {"Read", "Lecture", "读取", "Lesen"},
    {"Sending Data", "Envoi des données", "正在发送数据", "Daten werden gesendet"},
    {"Port Not Open", "Port non ouvert", "端口未打开", "Port nicht offen"},
    {"No connection", "Pas de connexion", "没有连接", "Keine Verbindung"},
    {"Load Disconnect On below", "Délestage actif sous", "负载断开 低于", "Lastabwurf ein unter"},
    {"Load Disconnect Off above", "Délestage inactif au-dessus de", "负载接通 高于", "Lastabwurf aus über"},
    {"Auxilary Off below", "Auxiliaire arrêt sous", "辅助关 低于", "Hilfsausgang aus unter"},
    {"Auxilary On above", "Auxiliaire marche au-dessus de", "辅助开 高于", "Hilfsausgang ein über"},
    {"Low Alarm On below", "Alarme basse active sous", "低压报警开 低于", "Unterspannungsalarm ein unter"},
    {"High Alarm On above", "Alarme haute active au-dessus de", "高压报警开 高于", "Überspannungsalarm ein über"},
    {"Mode", "Mode", "模式", "Modus"},
}};

std::string XalTextOf(int Row, int Language) {
    return LangText(XalRowCaption.data(), XalRowCaption.size(), Row + 1, Language);
}

std::string XalRowCaptionText(int R, bool Newer, int Language) {
    RangeCheck(R, 0, 9);
    return XalTextOf(R <= 2 || Newer ? R : R + 31, Language);
}

std::string XalRowUnitText(int R, bool Newer, int Language) {
    RangeCheck(R, 0, 9);
    if (R == 9 && !Newer) return "";
    return XalTextOf(R + xrUnitFirst, Language);
}

}  // namespace talvik
