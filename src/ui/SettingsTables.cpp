// The constant tables of the settings and calibration editor (see SettingsFormat.h): setting
// addresses, captions with units in four languages, calibration captions and addresses, the
// limits of every raw value and the window's own texts. Register tags ("LOFF", "BMAX" ...)
// stay as they are in every language, as the regulator's manual names them so.
#include "ui/SettingsFormat.h"

namespace talvik {

const std::array<std::int32_t, 7> SettingGroupStart = {0, 0, 9, 21, 29, 40, 0};
const std::array<std::int32_t, 7> SettingGroupRows = {0, 9, 12, 8, 11, 9, 0};

const std::array<std::int32_t, kSettingCount> SettingAddress = {
    48, 93, 93, 33, 115, 69, 70, 71, 101,                 // group 1
    87, 85, 83, 82, 84, 74, 86, 75, 76, 77, 73, 92,       // group 2
    88, 88, 89, 78, 89, 94, 72, 102,                      // group 3
    90, 79, 90, 80, 91, 91, 81, 188, 193, 198, 203,       // group 4
    116, 92, 64, 65, 66, 67, 68, 181, 96,                 // group 5
};

namespace {
constexpr LangRow kNone = {"", "", "", ""};
constexpr LangRow kV = {"V", "V", "V", "V"};
constexpr LangRow kA = {"A", "A", "A", "A"};
constexpr LangRow kAh = {"Ah", "Ah", "Ah", "Ah"};
constexpr LangRow kMin = {"min", "min", "分钟", "min"};
constexpr LangRow kHours = {"Hours", "Heures", "小时", "Stunden"};
constexpr LangRow kHoursLower = {"hours", "heures", "小时", "Stunden"};
constexpr LangRow kHr = {"hr", "h", "小时", "Std."};
constexpr LangRow kDays = {"Days", "Jours", "天", "Tage"};
constexpr LangRow kDay = {"day", "jour", "天", "Tag"};
constexpr LangRow kPercent = {"%", "%", "%", "%"};
constexpr LangRow kDegC = {"oC", "oC", "oC", "oC"};
constexpr SettingCaptionRow kEmptyRow = {kNone, kNone};
}  // namespace

const std::array<std::array<SettingCaptionRow, 12>, 9> SettingCaption = {{
    // 0: unused
    {{kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow,
      kEmptyRow, kEmptyRow, kEmptyRow}},
    // 1: SET, basic settings
    {{
        {{"QV Time", "Heure du QV", "QV时间", "QV-Zeit"}, kHours},
        {{"System Voltage Setting", "Tension du système", "系统电压设置", "Systemspannung"}, kV},
        {{"Program Setting", "Programme", "程序设置", "Programmeinstellung"}, kNone},
        {{"Settings Lockout flag", "Verrouillage des réglages", "设置锁定标志", "Einstellsperre"}, kNone},
        {{"LSET load switch toggle", "LSET inverser la sortie charge", "LSET 负载开关切换", "LSET Lastschalter umschalten"}, kNone},
        {{"LOFF Load Disconnect Voltage", "LOFF Tension de déconnexion de la charge", "LOFF 负载断开电压", "LOFF Lastabschaltspannung"}, kV},
        {{"L ON Load Reconnect Voltage", "L ON Tension de reconnexion de la charge", "L ON 负载重新接通电压", "L ON Lastwiedereinschaltspannung"}, kV},
        {{"LDEL Delay before disconnect", "LDEL Délai avant déconnexion", "LDEL 断开前延时", "LDEL Verzögerung vor dem Abschalten"}, kMin},
        {{"Set Regulator State - B,E,A,F", "État du régulateur - B,E,A,F", "设置调节器状态 - B,E,A,F", "Reglerzustand setzen - B,E,A,F"}, kNone},
        kEmptyRow, kEmptyRow, kEmptyRow,
    }},
    // 2: REG, regulation settings
    {{
        {{"BMAX Boost Maximum Voltage", "BMAX Tension maximale de boost", "BMAX 提升充电最高电压", "BMAX Maximale Boost-Spannung"}, kV},
        {{"EMAX Equlisation Maximum Voltage", "EMAX Tension maximale d'égalisation", "EMAX 均衡充电最高电压", "EMAX Maximale Ausgleichsspannung"}, kV},
        {{"ETIM Equalisation Time", "ETIM Durée d'égalisation", "ETIM 均衡充电时间", "ETIM Ausgleichsdauer"}, kHours},
        {{"EFRQ Days between eq. cycles", "EFRQ Jours entre égalisations", "EFRQ 均衡周期间隔天数", "EFRQ Tage zwischen Ausgleichszyklen"}, kDays},
        {{"ABSV Absorption Voltage", "ABSV Tension d'absorption", "ABSV 吸收电压", "ABSV Absorptionsspannung"}, kV},
        {{"ATIM Ansorption Time", "ATIM Durée d'absorption", "ATIM 吸收时间", "ATIM Absorptionsdauer"}, kHours},
        {{"FLTV Float Voltage", "FLTV Tension de floating", "FLTV 浮充电压", "FLTV Erhaltungsspannung"}, kV},
        {{"HYST Hysteresis", "HYST Hystérésis", "HYST 回差", "HYST Hysterese"}, kV},
        {{"BRTN Boost Return Voltage", "BRTN Tension de retour en boost", "BRTN 提升充电返回电压", "BRTN Boost-Rückkehrspannung"}, kV},
        {{"CHRG Charge Current Limit", "CHRG Limite du courant de charge", "CHRG 充电电流限值", "CHRG Ladestrombegrenzung"}, kA},
        {{"BFRQ Max Days between boost cycles", "BFRQ Jours max. entre cycles de boost", "BFRQ 提升充电周期最大间隔天数", "BFRQ Max. Tage zwischen Boost-Zyklen"}, kDays},
        {{"TCMP Temperature Comp. Profile", "TCMP Profil de compensation en température", "TCMP 温度补偿曲线", "TCMP Temperaturkompensationsprofil"}, kNone},
    }},
    // 3: MODE, operating mode settings
    {{
        {{"LSET Load Terminal Function", "LSET Fonction de la borne charge", "LSET 负载端子功能", "LSET Funktion der Lastklemme"}, kNone},
        {{"GSET G Terminal Function", "GSET Fonction de la borne G", "GSET G端子功能", "GSET Funktion der G-Klemme"}, kNone},
        {{"BSET B- Input Function", "BSET Fonction de l'entrée B-", "BSET B-输入功能", "BSET Funktion des B-Eingangs"}, kNone},
        {{"BAT2 Reg. Voltage for 2nd Battery", "BAT2 Tension de régulation 2e batterie", "BAT2 第二组电池调节电压", "BAT2 Regelspannung der 2. Batterie"}, kV},
        {{"PWM Use of PWM Control", "PWM Utilisation de la commande PWM", "PWM 使用PWM控制", "PWM Einsatz der PWM-Regelung"}, kNone},
        {{"BCAP Battery Ah Capacity", "BCAP Capacité de la batterie", "BCAP 电池容量", "BCAP Batteriekapazität"}, kAh},
        {{"ALRM Low Battery Alarm on at", "ALRM Alarme batterie faible à", "ALRM 电池低压报警电压", "ALRM Unterspannungsalarm ein bei"}, kV},
        {{"RSET Force QV Processor Reset", "RSET Forcer la réinitialisation du QV", "RSET 强制QV处理器复位", "RSET QV-Prozessor zurücksetzen"}, kNone},
        kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow,
    }},
    // 4: EVNT, event controller settings
    {{
        {{"STRT Event Start Condition", "STRT Condition de début d'événement", "STRT 事件启动条件", "STRT Startbedingung des Ereignisses"}, kNone},
        kEmptyRow,  // named by its mode (caption groups 6 and 7)
        {{"STOP Event Stop Condition", "STOP Condition de fin d'événement", "STOP 事件停止条件", "STOP Stoppbedingung des Ereignisses"}, kNone},
        kEmptyRow,  // named by its mode (caption groups 6 and 7)
        {{"EMOD 2nd Event Condition", "EMOD 2e condition d'événement", "EMOD 第二事件条件", "EMOD 2. Ereignisbedingung"}, kNone},
        {{"TMOD 3rd Event Condition", "TMOD 3e condition d'événement", "TMOD 第三事件条件", "TMOD 3. Ereignisbedingung"}, kNone},
        kEmptyRow,  // named by its mode (caption groups 6 and 7)
        {{"CINT Set Int Charge Ah", "CINT Ah de charge internes", "CINT 设置内部充电安时", "CINT Interne Lade-Ah setzen"}, kAh},
        {{"CEXT Set Ext Charge Ah", "CEXT Ah de charge externes", "CEXT 设置外部充电安时", "CEXT Externe Lade-Ah setzen"}, kAh},
        {{"LINT Set Int Load Ah", "LINT Ah de consommation internes", "LINT 设置内部负载安时", "LINT Interne Last-Ah setzen"}, kAh},
        {{"LEXT Set Ext Load Ah", "LEXT Ah de consommation externes", "LEXT 设置外部负载安时", "LEXT Externe Last-Ah setzen"}, kAh},
        kEmptyRow,
    }},
    // 5: GEN, generator control settings
    {{
        {{"GSET Toggle generator control", "GSET Inverser la commande du groupe", "GSET 切换发电机控制", "GSET Generatorsteuerung umschalten"}, kNone},
        {{"GMOD Generator mode", "GMOD Mode du groupe électrogène", "GMOD 发电机模式", "GMOD Generatormodus"}, kNone},
        kEmptyRow,  // named by its mode (caption groups 6 and 7)
        {{"GOFF Generator Off at", "GOFF Arrêt du groupe à", "GOFF 发电机关闭电压", "GOFF Generator aus bei"}, kV},
        kEmptyRow,  // named by its mode (caption groups 6 and 7)
        {{"GEXD Generator Exercise Rate", "GEXD Fréquence de dérouillage du groupe", "GEXD 发电机试运行间隔", "GEXD Intervall des Generatorprobelaufs"}, kDay},
        {{"GRUN Generator Run Time", "GRUN Durée de marche du groupe", "GRUN 发电机运行时间", "GRUN Generatorlaufzeit"}, kHoursLower},
        {{"Adjust SOC Value ", "Ajuster l'état de charge ", "调整荷电状态值 ", "Ladezustand anpassen "}, kPercent},
        {{"Adjust Generator Exercise Counter", "Ajuster le compteur de dérouillage", "调整发电机试运行计数器", "Zähler des Generatorprobelaufs anpassen"}, kDay},
        kEmptyRow, kEmptyRow, kEmptyRow,
    }},
    // 6: event values named by their mode
    {{
        {{"Start Setting SOLV", "Valeur de début SOLV", "启动设定 SOLV", "Startwert SOLV"}, kV},
        {{"Start Setting VEXT", "Valeur de début VEXT", "启动设定 VEXT", "Startwert VEXT"}, kV},
        {{"Start Setting TIME", "Valeur de début TIME", "启动设定 TIME", "Startwert TIME"}, kHr},
        {{"Start Setting RATE", "Valeur de début RATE", "启动设定 RATE", "Startwert RATE"}, kMin},
        {{"Stop Setting SOLV", "Valeur de fin SOLV", "停止设定 SOLV", "Stoppwert SOLV"}, kV},
        {{"Stop Setting VEXT", "Valeur de fin VEXT", "停止设定 VEXT", "Stoppwert VEXT"}, kV},
        {{"Stop Setting TIME", "Valeur de fin TIME", "停止设定 TIME", "Stoppwert TIME"}, kHr},
        {{"Stop Setting RUN", "Valeur de fin RUN", "停止设定 RUN", "Stoppwert RUN"}, kMin},
        {{"Tmod Setting TEMP", "Valeur Tmod TEMP", "Tmod设定 TEMP", "Tmod-Wert TEMP"}, kDegC},
        {{"Tmod Setting VEXT", "Valeur Tmod VEXT", "Tmod设定 VEXT", "Tmod-Wert VEXT"}, kV},
        {{"Tmod Setting TIME", "Valeur Tmod TIME", "Tmod设定 TIME", "Tmod-Wert TIME"}, kHr},
        kEmptyRow,
    }},
    // 7: generator values named by the generator mode
    {{
        {{"Gen on below Battery Voltage", "Groupe en marche sous la tension batterie", "电池电压低于此值时启动发电机", "Generator ein unter Batteriespannung"}, kV},
        {{"Gen on below SOC of", "Groupe en marche sous l'état de charge", "荷电状态低于此值时启动发电机", "Generator ein unter Ladezustand"}, kPercent},
        {{"GDEL Delay before Start", "GDEL Délai avant démarrage", "GDEL 启动前延时", "GDEL Verzögerung vor dem Start"}, kMin},
        {{"Gen off above SOC of", "Groupe arrêté au-dessus de l'état de charge", "荷电状态高于此值时关闭发电机", "Generator aus über Ladezustand"}, kPercent},
        kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow,
    }},
    // 8: window titles
    {{
        {{"Control Settings", "Réglages", "控制设置", "Regeleinstellungen"}, {"baud", "bauds", "波特", "Baud"}},
        {{"Calibration", "Étalonnage", "校准", "Kalibrierung"}, kNone},
        kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow, kEmptyRow,
    }},
}};

const std::array<LangRow, 17> CalibrationCaption = {{
    {"12V Voltage Range", "Plage de tension 12 V", "12V电压量程", "Spannungsbereich 12 V"},
    {"24V Voltage Range", "Plage de tension 24 V", "24V电压量程", "Spannungsbereich 24 V"},
    {"48V Voltage Range", "Plage de tension 48 V", "48V电压量程", "Spannungsbereich 48 V"},
    {"Charge Current", "Courant de charge", "充电电流", "Ladestrom"},
    {"Load Current", "Courant de charge utile", "负载电流", "Laststrom"},
    {"Battery Temperature", "Température de la batterie", "电池温度", "Batterietemperatur"},
    {"Solar Voltage", "Tension solaire", "太阳能电压", "Solarspannung"},
    {"B- Sense", "Mesure B-", "B-检测", "B-Messung"},
    {"Setting Lockout", "Verrouillage des réglages", "设置锁定", "Einstellsperre"},
    {"Locked", "Verrouillé", "已锁定", "Gesperrt"},
    {"Adjust", "Réglable", "可调整", "Einstellbar"},
    {"On", "Marche", "开", "Ein"},
    {"Off", "Arrêt", "关", "Aus"},
    {"BOST", "BOST", "BOST", "BOST"},
    {"EQUL", "EQUL", "EQUL", "EQUL"},
    {"ABSV", "ABSV", "ABSV", "ABSV"},
    {"FLOT", "FLOT", "FLOT", "FLOT"},
}};

const std::array<std::int32_t, 14> CalibrationAddress = {33,  34,  35,  36,  214, 215, 218,
                                                         219, 230, 231, 234, 235, 238, 239};

// Raw stored values (voltages on the 12 V scale): maxima 0..11, maxima at voltage code 8
// 12..23, minima 24..35.
const std::array<std::array<std::int32_t, 36>, 8> SettingLimits = {{
    {},
    {{239, 4, 4, 0, 0, 125, 160, 15, 0, 0, 0, 0,
      239, 0, 4, 0, 0, 142, 182, 15, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 100, 110, 0, 0, 0, 0, 0}},
    {{165, 170, 20, 150, 155, 40, 150, 10, 130, 40, 20, 8,
      187, 190, 20, 170, 176, 40, 170, 10, 147, 40, 20, 8,
      135, 140, 0, 20, 135, 0, 130, 1, 110, 1, 1, 0}},
    {{11, 11, 2, 160, 3, 240, 180, 0, 0, 0, 0, 0,
      11, 11, 2, 181, 3, 240, 190, 0, 0, 0, 0, 0,
      0, 0, 0, 130, 0, 1, 100, 0, 0, 0, 0, 0}},
    {{15, 0, 15, 0, 11, 14, 0, 990, 25000, 990, 25000, 0,
      15, 0, 15, 0, 11, 14, 0, 990, 25000, 990, 25000, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{0, 6, 0, 165, 0, 60, 40, 127, 60, 0, 0, 0,
      0, 6, 0, 185, 0, 60, 40, 147, 60, 0, 0, 0,
      0, 0, 0, 110, 0, 2, 0, 0, 0, 0, 0, 0}},
    {{199, 250, 239, 240, 199, 250, 252, 240, 250, 250, 252, 0,
      199, 250, 239, 240, 199, 250, 252, 240, 250, 250, 252, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{125, 99, 15, 125, 0, 0, 0, 0, 0, 0, 0, 0,
      145, 99, 15, 145, 0, 0, 0, 0, 0, 0, 0, 0,
      100, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
}};

const std::array<LangRow, 19> SettingsUIText = {{
    /*  0 */ {"Basic Settings", "Réglages de base", "基本设置", "Grundeinstellungen"},
    /*  1 */ {"Regulation Settings", "Réglages de régulation", "调节设置", "Regelungseinstellungen"},
    /*  2 */ {"Operating Mode Settings", "Réglages du mode de fonctionnement", "工作模式设置", "Betriebsarteinstellungen"},
    /*  3 */ {"Event Controller Settings", "Réglages du contrôleur d'événements", "事件控制器设置", "Einstellungen der Ereignissteuerung"},
    /*  4 */ {"Generator Control Settings", "Réglages de la commande du groupe", "发电机控制设置", "Einstellungen der Generatorsteuerung"},
    /*  5 */ {"Regulator Calibration", "Étalonnage du régulateur", "调节器校准", "Reglerkalibrierung"},
    /*  6 */ {"Send one change to QV", "Envoyer une modification au QV", "向QV发送一项更改", "Eine Änderung an den QV senden"},
    /*  7 */ {"View and change Settings", "Afficher et modifier les réglages", "查看和更改设置", "Einstellungen anzeigen und ändern"},
    /*  8 */ {"Click here to re-read settings", "Cliquer ici pour relire les réglages", "单击此处重新读取设置", "Hier klicken, um die Einstellungen neu zu lesen"},
    /*  9 */ {"Send all settings to the QV", "Envoyer tous les réglages au QV", "向QV发送全部设置", "Alle Einstellungen an den QV senden"},
    /* 10 */ {"Send now", "Envoyer maintenant", "立即发送", "Jetzt senden"},
    /* 11 */ {"Cancel", "Annuler", "取消", "Abbrechen"},
    /* 12 */ {"Sending Data", "Envoi des données", "正在发送数据", "Daten werden gesendet"},
    /* 13 */ {"Port Not Open", "Port non ouvert", "端口未打开", "Port nicht geöffnet"},
    /* 14 */ {"No connection", "Pas de connexion", "无连接", "Keine Verbindung"},
    /* 15 */ {"Program QV with the whole setting list?", "Programmer le QV avec toute la liste des réglages ?",
              "用全部设置列表对QV编程？", "QV mit der ganzen Einstellungsliste programmieren?"},
    /* 16 */ {"Nothing was sent. The whole setting list can only be programmed once all five settings groups "
              "have been read from this regulator or loaded from a settings file.",
              "Rien n'a été envoyé. La liste complète des réglages ne peut être programmée qu'après la lecture "
              "des cinq groupes de réglages sur ce régulateur ou le chargement d'un fichier de réglages.",
              "未发送任何数据。只有从本调节器读取全部五组设置，或从设置文件载入设置之后，才能对整个设置列表编程。",
              "Es wurde nichts gesendet. Die ganze Einstellungsliste lässt sich erst programmieren, wenn alle "
              "fünf Einstellungsgruppen aus diesem Regler gelesen oder aus einer Einstellungsdatei geladen wurden."},
    /* 17 */ {"Settings are still being written to the regulator. Stop writing and close TALVIK?",
              "Des réglages sont encore en cours d'écriture dans le régulateur. Arrêter l'écriture et fermer TALVIK ?",
              "仍在向调节器写入设置。要停止写入并关闭 TALVIK 吗？",
              "Es werden noch Einstellungen in den Regler geschrieben. Schreiben abbrechen und TALVIK schließen?"},
    /* 18 */ {"Nothing was sent. A value can only be sent once its group has been read from this regulator "
              "or loaded from a settings file.",
              "Rien n'a été envoyé. Une valeur ne peut être envoyée qu'après la lecture de son groupe sur ce "
              "régulateur ou le chargement d'un fichier de réglages.",
              "未发送任何数据。只有从本调节器读取该值所在的组，或从设置文件载入设置之后，才能发送该值。",
              "Es wurde nichts gesendet. Ein Wert lässt sich erst senden, wenn seine Gruppe aus diesem Regler "
              "gelesen oder aus einer Einstellungsdatei geladen wurde."},
}};

const std::array<const char*, 6> SettingGroupButtonCaption = {"SET", "REG", "MODE", "EVNT", "GEN", "CAL"};

}  // namespace talvik
