// The main window's per-language tables and fonts (see lang.h). Column order: English,
// French, Chinese (simplified), German. The French column is thin on purpose: only the rows
// the French edition was given carry a text; the others show empty.
#include "ui/lang.h"

#include "base/rtl.h"

namespace talvik {

int LanguageNumber = 0;

const std::array<const char*, kLanguageCount> DefaultFontName = {"Arial", "Arial", "UWPSTJ (GB)",
                                                                 "Arial"};
const std::array<int, kLanguageCount> DefaultFontSize = {10, 10, 12, 10};
const std::array<int, kLanguageCount> LangFontCharset = {0, 0, 134, 0};

std::array<std::string, kLanguageCount> LangFontName = {DefaultFontName[0], DefaultFontName[1],
                                                        DefaultFontName[2], DefaultFontName[3]};
std::array<int, kLanguageCount> LangFontSize = DefaultFontSize;

std::string LangText(const LangRow* table, std::size_t rowCount, int row, int language) {
    if (row < 1 || static_cast<std::size_t>(row) > rowCount) throw ERangeError();
    RangeCheck(language, 0, kLanguageCount - 1);
    const char* s = table[row - 1][static_cast<std::size_t>(language)];
    return s ? std::string(s) : std::string();
}

const std::array<LangRow, 85> captiontext = {{
    /*  1 */ {"TALVIK", "TALVIK", "TALVIK", "TALVIK"},
    /*  2 */ {"EXIT?", "QUITTER ?", "退出？", "Beenden?"},
    /*  3 */ {"Direct", "Direct", "直接连接", "Direkt"},
    /*  4 */ {"Baud Rate", "Débit en bauds", "波特率", "Baudrate"},
    /*  5 */ {"Port", "Port", "端口", "Port"},
    /*  6 */ {"Modem Port", "Port du modem", "调制解调器端口", "Modem-Port"},
    /*  7 */ {"Modem", "Modem", "调制解调器", "Modem"},
    /*  8 */ {"Modem Control", "Contrôle du modem", "调制解调器控制", "Modemsteuerung"},
    /*  9 */ {"Select", "Choisir", "选择", "Auswählen"},
    /* 10 */ {"Current TAPI Device", "Périphérique TAPI actuel", "当前TAPI设备", "Aktuelles TAPI-Gerät"},
    /* 11 */ {"Dial", "Composer", "拨号", "Wählen"},
    /* 12 */ {"Modem Setup String", "Chaîne d'initialisation du modem", "调制解调器设置字符串",
              "Modem-Initialisierungsstring"},
    /* 13 */ {"Modem Setup", "Configuration du modem", "调制解调器设置", "Modem-Einstellungen"},
    /* 14 */ {"Pulse", "Numérotation par impulsions", "脉冲拨号", "Impulswahl"},
    /* 15 */ {"Enable TAPI mode", "Activer le mode TAPI", "启用TAPI模式", "TAPI-Modus aktivieren"},
    /* 16 */ {"Select Modem Port", "Choisir le port du modem", "选择调制解调器端口", "Modem-Port auswählen"},
    /* 17 */ {"Status Information", "Informations d'état", "状态信息", "Statusinformationen"},
    /* 18 */ {"Exit", "Quitter", "退出", "Beenden"},
    /* 19 */ {"Select Language", "Choisir la langue", "选择语言", "Sprache auswählen"},
    /* 20 */ {"Help", "Aide", "帮助", "Hilfe"},
    /* 21 */ {"Current State", "État actuel", "当前状态", "Aktueller Zustand"},
    /* 22 */ {"Historical data", "Historique", "历史数据", "Verlaufsdaten"},
    /* 23 */ {"QV Settings", "Réglages du QV", "QV设置", "QV-Einstellungen"},
    /* 24 */ {"Tools", "Outils", "工具", "Werkzeuge"},
    /* 25 */ {"Modem Setup", "Configuration du modem", "调制解调器设置", "Modem-Einstellungen"},
    /* 26 */ {"Dial button", "Numérotation", "拨号按钮", "Wähltaste"},
    /* 27 */ {"Save Data", "Enregistrer les données", "保存数据", "Daten speichern"},
    /* 28 */ {"Print Data", "Imprimer les données", "打印数据", "Daten drucken"},
    /* 29 */ {"Periodic Save", "Enregistrement périodique", "定时保存", "Periodisches Speichern"},
    /* 30 */ {"Read QV Ram", "Lire la RAM du QV", "读取QV RAM", "QV-RAM lesen"},
    /* 31 */ {"Read E2prom", "Lire l'E2PROM", "读取E2PROM", "E2PROM lesen"},
    /* 32 */ {"Write QV Ram", "Écrire la RAM du QV", "写入QV RAM", "QV-RAM schreiben"},
    /* 33 */ {"Write E2prom", "Écrire l'E2PROM", "写入E2PROM", "E2PROM schreiben"},
    /* 34 */ {"Loopback", "Bouclage", "回环测试", "Schleifentest"},
    /* 35 */ {"Clear History", "Effacer l'historique", "清除历史记录", "Verlauf löschen"},
    /* 36 */ {"Test History", "Tester l'historique", "测试历史记录", "Verlauf prüfen"},
    /* 37 */ {"Set ZIRB Site", "Régler le site ZIRB", "设置ZIRB站点", "ZIRB-Station einstellen"},
    /* 38 */ {"Program XAL", "Programmer le XAL", "编程XAL", "XAL programmieren"},
    /* 39 */ {"Select Direct Baud Rate", "Choisir le débit de la liaison directe", "选择直接连接的波特率",
              "Baudrate der Direktverbindung wählen"},
    /* 40 */ {"Select Direct Port", "Choisir le port de la liaison directe", "选择直接连接的端口",
              "Port der Direktverbindung wählen"},
    /* 41 */ {"Phone Name", "Nom du correspondant", "电话名称", "Teilnehmername"},
    /* 42 */ {"Phone Number to Dial", "Numéro à composer", "要拨打的电话号码", "Zu wählende Rufnummer"},
    /* 43 */ {"Non Tapi Dial String", "Chaîne de numérotation sans TAPI", "非TAPI拨号字符串",
              "Wählstring ohne TAPI"},
    /* 44 */ {"Name", "Nom", "名称", "Name"},
    /* 45 */ {"Phone Number", "Numéro de téléphone", "电话号码", "Rufnummer"},
    /* 46 */ {"File name for saved data", "", "保存数据的文件名", "Dateiname für gespeicherte Daten"},
    /* 47 */ {"Close window", "Fermer la fenêtre", "关闭窗口", "Fenster schließen"},
    /* 48 */ {"Show report from File", "", "显示文件中的报告", "Bericht aus Datei anzeigen"},
    /* 49 */ {"Print Data", "", "打印数据", "Daten drucken"},
    /* 50 */ {"Save report to File", "", "将报告保存到文件", "Bericht in Datei speichern"},
    /* 51 */ {"Phone number for Datalogging", "", "数据记录用电话号码", "Rufnummer für die Datenaufzeichnung"},
    /* 52 */ {"Current State", "", "当前状态", "Aktueller Zustand"},
    /* 53 */ {"History", "", "历史记录", "Verlauf"},
    /* 54 */ {"Settings", "", "设置", "Einstellungen"},
    /* 55 */ {"Calibration", "", "校准", "Kalibrierung"},
    /* 56 */ {"Periodic Data Logging", "", "定时数据记录", "Periodische Datenaufzeichnung"},
    /* 57 */ {"File Name for Logged Data", "", "记录数据的文件名", "Dateiname für aufgezeichnete Daten"},
    /* 58 */ {"Use Modem Dialup", "", "使用调制解调器拨号", "Modem-Einwahl verwenden"},
    /* 59 */ {"Log Data Every", "", "数据记录间隔", "Daten aufzeichnen alle"},
    /* 60 */ {"Hours between Data Samples", "", "两次采样之间的小时数", "Stunden zwischen zwei Messungen"},
    /* 61 */ {"Hours", "Heures", "小时", "Stunden"},
    /* 62 */ {"View Logged Data", "", "查看记录的数据", "Aufgezeichnete Daten anzeigen"},
    /* 63 */ {"Save or Retrieve QV Settings", "", "保存或读取QV设置", "QV-Einstellungen speichern oder laden"},
    /* 64 */ {"Save QV Settings to a file", "", "将QV设置保存到文件", "QV-Einstellungen in Datei speichern"},
    /* 65 */ {"Retrieve QV Settings from a file", "", "从文件读取QV设置", "QV-Einstellungen aus Datei laden"},
    /* 66 */ {"Select Font", "Choisir la police", "选择字体", "Schriftart wählen"},
    /* 67 */ {"Enable Current State Data", "", "包含当前状态数据", "Daten des aktuellen Zustands einbeziehen"},
    /* 68 */ {"Enable History Data", "", "包含历史数据", "Verlaufsdaten einbeziehen"},
    /* 69 */ {"Enable Setting Data", "", "包含设置数据", "Einstellungsdaten einbeziehen"},
    /* 70 */ {"Enable Calibration Data", "", "包含校准数据", "Kalibrierdaten einbeziehen"},
    /* 71 */ {"Send Single Command", "", "发送单条命令", "Einzelbefehl senden"},
    /* 72 */ {"Command", "Commande", "命令", "Befehl"},
    /* 73 */ {"Address  (Dec)", "", "地址(十进制)", "Adresse (Dez.)"},
    /* 74 */ {"Data to send", "", "要发送的数据", "Zu sendende Daten"},
    /* 75 */ {"Send", "", "发送", "Senden"},
    /* 76 */ {"Reply:", "Réponse :", "回复：", "Antwort:"},
    /* 77 */ {"Select Site Number", "", "选择站点号", "Stationsnummer wählen"},
    /* 78 */ {"SITE NUMBER", "NUMÉRO DE SITE", "站点号", "STATIONS-NR."},
    /* 79 */ {"LOG", "", "记录", "LOG"},
    /* 80 */ {"Force a periodic log to occur", "", "立即进行一次定时记录", "Periodische Aufzeichnung jetzt auslösen"},
    /* 81 */ {"Hangup", "Raccrocher", "挂断", "Auflegen"},
    /* 82 */ {"PhoneBook", "Annuaire", "电话簿", "Telefonbuch"},
    /* 83 */ {"Select Site mode", "Choisir le mode site", "选择站点模式", "Stationsmodus wählen"},
    /* 84 */ {"Select Log mode", "Choisir le mode journal", "选择记录模式", "Aufzeichnungsmodus wählen"},
    /* 85 */ {"Address  (Hex)", "", "地址(十六进制)", "Adresse (Hex.)"},
}};

const std::array<LangRow, 28> StatusText = {{
    /*  1 */ {"Port Open", "Port ouvert", "端口已打开", "Port geöffnet"},
    /*  2 */ {"Port Set OK", "Port configuré", "端口设置成功", "Port eingestellt"},
    /*  3 */ {"Cant open port-Port Set Exception", "", "无法打开端口－端口设置异常",
              "Port öffnen: Einstellfehler"},
    /*  4 */ {"Modem Setup", "", "调制解调器设置", "Modem-Einstellung"},
    /*  5 */ {"Cant open port", "", "无法打开端口", "Port kann nicht geöffnet werden"},
    /*  6 */ {"Comm Fail", "", "通信失败", "Kommunikationsfehler"},
    /*  7 */ {"Dialing", "", "正在拨号", "Wählvorgang"},
    /*  8 */ {"Cant open COMM port", "", "无法打开COMM端口", "COM-Port kann nicht geöffnet werden"},
    /*  9 */ {"Save Data", "", "保存数据", "Daten speichern"},
    /* 10 */ {"Print Data", "", "打印数据", "Daten drucken"},
    /* 11 */ {"QV Data Printout", "", "QV数据打印", "QV-Datenausdruck"},
    /* 12 */ {"Data Received", "", "数据已接收", "Daten empfangen"},
    /* 13 */ {"Read Error", "", "读取错误", "Lesefehler"},
    /* 14 */ {"Closed", "", "已关闭", "Geschlossen"},
    /* 15 */ {"Hang Up", "", "挂断", "Aufgelegt"},
    /* 16 */ {"Break", "", "中断", "Unterbrechung"},
    /* 17 */ {"Timeout", "", "超时", "Zeitüberschreitung"},
    /* 18 */ {"TAPI Closed", "", "TAPI已关闭", "TAPI geschlossen"},
    /* 19 */ {"Wait for Close", "", "等待关闭", "Warten auf Schließen"},
    /* 20 */ {"Port Not Open", "", "端口未打开", "Port nicht geöffnet"},
    /* 21 */ {"Connected", "", "已连接", "Verbunden"},
    /* 22 */ {"TAPI Fail", "", "TAPI失败", "TAPI-Fehler"},
    /* 23 */ {"TAPI Open", "", "TAPI已打开", "TAPI geöffnet"},
    /* 24 */ {"Carrier", "", "载波", "Trägersignal"},
    /* 25 */ {"MODEM OK", "", "调制解调器正常", "MODEM OK"},
    /* 26 */ {"MODEM Timeout", "", "调制解调器超时", "MODEM-Zeitüberschreitung"},
    /* 27 */ {"Site", "Site", "站点", "Station"},
    /* 28 */ {"Error", "Erreur", "错误", "Fehler"},
}};

const std::array<LangRow, 10> DialogText = {{
    /*  1 */ {"Current State", "État actuel", "当前状态", "Aktueller Zustand"},
    /*  2 */ {"Logged Data", "Données enregistrées", "记录的数据", "Aufgezeichnete Daten"},
    /*  3 */ {"Control Settings", "Réglages", "控制设置", "Regeleinstellungen"},
    /*  4 */ {"Calibration", "Étalonnage", "校准", "Kalibrierung"},
    /*  5 */ {"Arial", "Arial", "UWPSTJ (GB)", "Arial"},
    /*  6 */ {"Arial", "Arial", "UWPSTJ (GB)", "Arial"},
    /*  7 */ {"10", "10", "13", "10"},
    /*  8 */ {"Settings", "Réglages", "设置", "Einstellungen"},
    /*  9 */ {"Select name of file to save Settings to", "Choisir le fichier où enregistrer les réglages",
              "选择保存设置的文件名", "Dateiname zum Speichern der Einstellungen wählen"},
    /* 10 */ {"Select name of file to retrieve Settings from", "Choisir le fichier d'où charger les réglages",
              "选择读取设置的文件名", "Dateiname zum Laden der Einstellungen wählen"},
}};

const std::array<LangRow, rtReportRowCount> ReportText = {{
    /* rtFontName */ {"Arial", "Arial", "UWPSTJ (GB)", "Arial"},
    /* rtBodySize */ {"10", "10", "13", "10"},
    /* rtTitle */ {"QV DATA", "DONNÉES QV", "QV数据", "QV-DATEN"},
    /* rtDirectConnection */ {"Direct Connection", "Liaison directe", "直接连接", "Direktverbindung"},
    /* rtDialed */ {"Dialed", "Appel", "拨号连接", "Gewählt"},
    /* rtFileName */ {"File Name: %s", "Nom du fichier : %s", "文件名：%s", "Dateiname: %s"},
    /* rtState */ {"State", "État", "状态", "Zustand"},
    /* rtBatteryVoltage */ {"Battery Voltage", "Tension batterie", "电池电压", "Batteriespannung"},
    /* rtDayRange */ {"Day Range", "Plage du jour", "当日范围", "Tagesbereich"},
    /* rtTemp */ {"Temp", "Temp.", "温度", "Temp."},
    /* rtHistoryData */ {"HISTORY DATA", "HISTORIQUE", "历史数据", "VERLAUFSDATEN"},
    /* rtDay */ {"Day", "Jour", "日", "Tag"},
    /* rtControlSettings */ {"CONTROL SETTINGS", "RÉGLAGES", "控制设置", "REGELEINSTELLUNGEN"},
    /* rtCalibrationSettings */ {"CALIBRATION SETTINGS", "ÉTALONNAGE", "校准设置", "KALIBRIERUNG"},
    /* rtGain */ {"GAIN", "GAIN", "增益", "VERST."},
    /* rtOffset */ {"OFFSET", "DÉCALAGE", "偏移", "OFFSET"},
    /* rtRequestSent */ {"Request Sent", "Requête envoyée", "请求已发送", "Anfrage gesendet"},
    /* rtDataReceived */ {"Data Received", "Données reçues", "数据已接收", "Daten empfangen"},
    /* rtCantOpenPort */ {"Cant Open Port", "Impossible d'ouvrir le port", "无法打开端口",
                          "Port kann nicht geöffnet werden"},
    // The accessory's checksum label is English only; the other languages leave it blank.
    /* rtChecksum */ {"Checksum", "", "", ""},
}};

const std::array<LangRow, lwRowCount> LogWriteText = {{
    /* lwNotWrittenTo */ {"The log record was not written to:", "L'enregistrement n'a pas été écrit dans :",
                          "记录未能写入：", "Der Protokolleintrag wurde nicht geschrieben in:"},
    /* lwNotRichText */ {"not a rich-text log, left as it was", "pas un journal en texte enrichi, laissé tel quel",
                         "不是RTF格式的记录文件，保持原样", "kein RTF-Protokoll, unverändert gelassen"},
    /* lwNoFreeSpace */ {"not enough free disk space", "pas assez d'espace libre sur le disque", "磁盘可用空间不足",
                         "nicht genug freier Speicherplatz"},
    /* lwNoFolder */ {"the folder %s does not exist", "le dossier %s n'existe pas", "文件夹 %s 不存在",
                      "der Ordner %s existiert nicht"},
}};

const LangRow ReadOnlyFileText = {"%s is marked read-only. Nothing was written to it.",
                                  "%s est en lecture seule. Rien n'y a été écrit.", "%s 已标记为只读。未写入任何内容。",
                                  "%s ist schreibgeschützt. Es wurde nichts hineingeschrieben."};

const std::array<const char*, 5> ReportGroupTag = {"SET", "REG", "MODE", "EVENT", "GEN"};
const std::array<const char*, 3> SaveFileAnswer = {"Append", "Overwrite", "Cancel"};

std::string CaptionText(int row, int language) {
    return LangText(captiontext.data(), captiontext.size(), row, language);
}
std::string CaptionText(int row) { return CaptionText(row, LanguageNumber); }

std::string StatusTextOf(int row, int language) {
    return LangText(StatusText.data(), StatusText.size(), row, language);
}
std::string StatusTextOf(int row) { return StatusTextOf(row, LanguageNumber); }

std::string DialogTextOf(int row, int language) {
    return LangText(DialogText.data(), DialogText.size(), row, language);
}

std::string ReportTextOf(int row, int language) {
    return LangText(ReportText.data(), ReportText.size(), row, language);
}

std::string LogWriteTextOf(int row, int language) {
    return LangText(LogWriteText.data(), LogWriteText.size(), row, language);
}

std::string ReadOnlyFileTextOf(int language) { return LangText(&ReadOnlyFileText, 1, 1, language); }

}  // namespace talvik
