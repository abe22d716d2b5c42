#!/usr/bin/env python3
"""Writes the four help files of TALVIK (qvhlpeng.rtf, qvhlpfre.rtf, qvhlpchi.rtf, qvhlpger.rtf)
from the texts below. The Chinese file names a CJK font found under Wine; where it is missing,
Windows takes its own font for the GB2312 character set. Non-ASCII characters are written as RTF Unicode escapes with a code-page
fallback (GBK for the Chinese file, Windows-1252 for the others), so any RTF reader shows them.
Run it from anywhere; the files land beside this script."""

import os

HERE = os.path.dirname(os.path.abspath(__file__))

ENGLISH = [
    ("h1", "TALVIK Help"),
    ("p", "TALVIK reads and changes the memory of a QV solar charge regulator over a serial line: "
          "directly with a cable, or through a modem and the telephone line. Every function is reached "
          "from the tool bar at the top of the main window; hold the mouse over a button to see its name "
          "in the status bar."),
    ("h2", "1. Connecting to the regulator"),
    ("li", "Direct cable: plug the cable into the regulator's communication socket and into a serial port "
           "(COM port) of the computer."),
    ("li", "Press the modem set-up button (the small box with the aerial). Under \"Direct\" choose the "
           "baud rate (normally 9600) and the port number. The status bar shows the port (for example "
           "\"COM1\") and the baud rate next to the clock."),
    ("li", "Through a modem: enter the modem's port under \"Modem Port\". Tick \"Enable TAPI mode\" to use a "
           "modem installed in Windows and pick it with \"Select\"; otherwise type the modem set-up string "
           "(default &K0&Q0&D0). Tick \"Pulse\" only for pulse dialling lines."),
    ("li", "Press the dial button (the handset). Type a name and a telephone number, or open the phone book "
           "and pick one of its 16 stations; what you type is kept in the selected row. Press the dial "
           "button in the panel to call and \"Hangup\" to end the call."),
    ("li", "Regulators on a network: choose \"Select Site mode\" in the single-command list, then set the "
           "site number with the button at the right end of the tool bar."),
    ("h2", "2. Reading data"),
    ("li", "Current State (the battery with the lightning bolt) opens the current-data window and reads "
           "battery voltage, charge and load currents, amp-hours, temperature and the regulation state."),
    ("li", "Historical data (the bar chart) reads the daily history and draws it as graphs."),
    ("li", "QV Settings (the sliders) opens the settings window, which reads the regulator's settings and "
           "calibration."),
    ("li", "While a read is in progress the status bar shows its progress; \"Data Received\" means the read "
           "is complete, \"Timeout\" or \"Comm Fail\" means the regulator did not answer - check the cable, "
           "the port number and the baud rate."),
    ("h2", "3. Changing settings"),
    ("li", "In the settings window change a value; it is checked against its limits at once. \"Send one "
           "change to QV\" writes that value; every write is read back from the regulator to make sure it "
           "arrived."),
    ("li", "A complete set of settings can be saved to a settings file and loaded again later, for "
           "example to program several regulators the same way (\"Save or Retrieve QV Settings\" in the "
           "save panel)."),
    ("li", "Take care: settings change how your batteries are charged. Only change values you understand."),
    ("h2", "4. Periodic logging"),
    ("li", "Press Periodic Save (the clock with the disk). Tick \"Log Data Every\" and choose the number of "
           "hours between samples (1 to 48); the hours left until the next sample are shown beside it."),
    ("li", "Enter the file name for the logged data. Each sample adds a record to that file and a row to "
           "LOGFILE.CSV, which opens in any spreadsheet."),
    ("li", "For a remote regulator tick \"Use Modem Dialup\" and enter the number to dial: TALVIK calls, "
           "reads, and hangs up by itself."),
    ("li", "\"View Logged Data\" shows the log file. The program must stay running for logging to happen."),
    ("h2", "5. Saving and printing reports"),
    ("li", "Save Data (the disk) opens the yellow save panel: tick the groups to include (current state, "
           "history, settings, calibration - each becomes available once it has been read), enter a file "
           "name and press the save button. Print Data (the printer) prints the same report."),
    ("h2", "6. Language and fonts"),
    ("li", "The flag button chooses the language: English, Chinese or German. The \"A\" button in the same "
           "panel chooses the font used for the current language."),
    ("h2", "7. Leaving TALVIK"),
    ("li", "Press the door button and confirm with the green tick; the red cross cancels. Your port, "
           "language, phone book and logging choices are kept for the next start. A modem call that is "
           "still up is not hung up by leaving; use \"Hangup\" first."),
]

FRENCH = [
    ("h1", "Aide de TALVIK"),
    ("p", "TALVIK lit et modifie la mémoire d'un régulateur de charge solaire QV par une liaison série : "
          "directement par câble, ou par un modem et la ligne téléphonique. Toutes les fonctions "
          "s'ouvrent depuis la barre d'outils en haut de la fenêtre principale ; laissez la souris sur "
          "un bouton pour voir son nom dans la barre d'état."),
    ("h2", "1. Connexion au régulateur"),
    ("li", "Câble direct : branchez le câble sur la prise de communication du régulateur et sur un port "
           "série (port COM) de l'ordinateur."),
    ("li", "Appuyez sur le bouton de configuration du modem (le boîtier avec l'antenne). Sous « Direct », "
           "choisissez le débit (en général 9600 bauds) et le numéro de port. La barre d'état affiche le "
           "port (par exemple « COM1 ») et le débit à côté de l'horloge."),
    ("li", "Par modem : indiquez le port du modem. Cochez le mode TAPI pour utiliser un modem installé "
           "dans Windows et choisissez-le ; sinon saisissez la chaîne d'initialisation du modem (par "
           "défaut &K0&Q0&D0). Ne cochez la numérotation par impulsions que sur les lignes qui l'exigent."),
    ("li", "Appuyez sur le bouton de numérotation (le combiné). Saisissez un nom et un numéro, ou ouvrez "
           "l'annuaire et choisissez l'une des 16 stations ; ce que vous tapez est enregistré dans la "
           "ligne choisie. Le bouton du panneau compose le numéro, « Raccrocher » met fin à l'appel."),
    ("li", "Régulateurs en réseau : choisissez le mode site dans la liste des commandes, puis réglez le "
           "numéro de site avec le bouton à droite de la barre d'outils."),
    ("h2", "2. Lecture des données"),
    ("li", "État actuel (la batterie avec l'éclair) ouvre la fenêtre des données actuelles et lit la "
           "tension de la batterie, les courants de charge et d'utilisation, les ampères-heures, la "
           "température et l'état de régulation."),
    ("li", "Historique (le graphique à barres) lit l'historique journalier et le trace en courbes."),
    ("li", "Réglages du QV (les curseurs) ouvre la fenêtre des réglages, qui lit les réglages et "
           "l'étalonnage du régulateur."),
    ("li", "Pendant une lecture, la barre d'état en montre l'avancement. « Data Received » signifie que la "
           "lecture est terminée ; « Timeout » ou « Comm Fail » signifie que le régulateur n'a pas "
           "répondu : vérifiez le câble, le numéro de port et le débit."),
    ("h2", "3. Modification des réglages"),
    ("li", "Dans la fenêtre des réglages, modifiez une valeur ; elle est aussitôt contrôlée par rapport à "
           "ses limites. Le bouton d'envoi écrit cette valeur ; chaque écriture est relue dans le "
           "régulateur pour vérifier qu'elle est bien arrivée."),
    ("li", "Un jeu complet de réglages peut être enregistré dans un fichier puis rechargé, par exemple "
           "pour programmer plusieurs régulateurs de la même façon."),
    ("li", "Attention : les réglages déterminent la charge de vos batteries. Ne modifiez que les valeurs "
           "que vous comprenez."),
    ("h2", "4. Enregistrement périodique"),
    ("li", "Appuyez sur Enregistrement périodique (l'horloge avec la disquette). Activez l'enregistrement "
           "et choisissez le nombre d'heures entre deux relevés (1 à 48) ; les heures restantes "
           "s'affichent à côté."),
    ("li", "Indiquez le nom du fichier des données enregistrées. Chaque relevé ajoute un bloc à ce "
           "fichier et une ligne à LOGFILE.CSV, lisible par tout tableur."),
    ("li", "Pour un régulateur distant, activez la numérotation par modem et indiquez le numéro : TALVIK "
           "appelle, lit les données et raccroche tout seul."),
    ("li", "Le bouton d'affichage montre le fichier enregistré. Le programme doit rester ouvert pour que "
           "l'enregistrement ait lieu."),
    ("h2", "5. Enregistrement et impression des rapports"),
    ("li", "Enregistrer les données (la disquette) ouvre le panneau jaune : cochez les groupes à inclure "
           "(état actuel, historique, réglages, étalonnage ; chacun devient disponible une fois lu), "
           "indiquez un nom de fichier et appuyez sur le bouton d'enregistrement. Imprimer les données "
           "(l'imprimante) imprime le même rapport."),
    ("h2", "6. Langue et polices"),
    ("li", "Le bouton du drapeau choisit la langue. Le bouton « A » du même panneau choisit la police de la "
           "langue en cours."),
    ("h2", "7. Quitter TALVIK"),
    ("li", "Appuyez sur le bouton de la porte et confirmez avec la coche verte ; la croix rouge annule. Le "
           "port, la langue, l'annuaire et les choix d'enregistrement sont conservés pour le prochain "
           "démarrage. Quitter ne raccroche pas un appel en cours : raccrochez d'abord."),
]

GERMAN = [
    ("h1", "TALVIK-Hilfe"),
    ("p", "TALVIK liest und ändert den Speicher eines QV-Solarladereglers über eine serielle Verbindung: "
          "direkt über ein Kabel oder über ein Modem und die Telefonleitung. Alle Funktionen erreichen "
          "Sie über die Werkzeugleiste oben im Hauptfenster; halten Sie die Maus über eine Schaltfläche, "
          "um ihren Namen in der Statusleiste zu sehen."),
    ("h2", "1. Verbindung zum Regler"),
    ("li", "Direktes Kabel: Stecken Sie das Kabel in die Kommunikationsbuchse des Reglers und in eine "
           "serielle Schnittstelle (COM-Port) des Computers."),
    ("li", "Drücken Sie die Schaltfläche Modem-Einstellungen (das Kästchen mit der Antenne). Wählen Sie "
           "unter „Direkt“ die Baudrate (normalerweise 9600) und die Portnummer. Die Statusleiste zeigt "
           "den Port (zum Beispiel „COM1“) und die Baudrate neben der Uhr."),
    ("li", "Über ein Modem: Geben Sie den Modem-Port an. Aktivieren Sie den TAPI-Modus, um ein in Windows "
           "installiertes Modem zu verwenden, und wählen Sie es aus; andernfalls geben Sie den "
           "Modem-Initialisierungsstring ein (Vorgabe &K0&Q0&D0). „Impulswahl“ nur bei Leitungen mit "
           "Impulswahl ankreuzen."),
    ("li", "Drücken Sie die Wählen-Schaltfläche (der Telefonhörer). Geben Sie Namen und Rufnummer ein "
           "oder öffnen Sie das Telefonbuch und wählen Sie einen der 16 Einträge; Ihre Eingaben werden in "
           "der gewählten Zeile gespeichert. Die Schaltfläche im Feld wählt die Nummer, „Auflegen“ "
           "beendet den Anruf."),
    ("li", "Regler in einem Netz: Wählen Sie in der Befehlsliste den Standortmodus und stellen Sie dann "
           "mit der Schaltfläche rechts in der Werkzeugleiste die Standortnummer ein."),
    ("h2", "2. Daten lesen"),
    ("li", "Aktueller Zustand (die Batterie mit dem Blitz) öffnet das Fenster der aktuellen Daten und "
           "liest Batteriespannung, Lade- und Verbraucherstrom, Amperestunden, Temperatur und "
           "Regelzustand."),
    ("li", "Verlaufsdaten (das Balkendiagramm) liest den täglichen Verlauf und zeichnet ihn als Grafik."),
    ("li", "QV-Einstellungen (die Schieberegler) öffnet das Einstellungsfenster, das die Einstellungen "
           "und die Kalibrierung des Reglers liest."),
    ("li", "Während des Lesens zeigt die Statusleiste den Fortschritt. „Data Received“ bedeutet, dass das "
           "Lesen abgeschlossen ist; „Timeout“ oder „Comm Fail“ bedeutet, dass der Regler nicht "
           "geantwortet hat: Prüfen Sie Kabel, Portnummer und Baudrate."),
    ("h2", "3. Einstellungen ändern"),
    ("li", "Ändern Sie im Einstellungsfenster einen Wert; er wird sofort gegen seine Grenzen geprüft. Die "
           "Sende-Schaltfläche schreibt den Wert; jeder Schreibvorgang wird aus dem Regler zurückgelesen, "
           "um sicherzugehen, dass er angekommen ist."),
    ("li", "Ein vollständiger Satz Einstellungen kann in einer Datei gespeichert und später wieder "
           "geladen werden, etwa um mehrere Regler gleich zu programmieren."),
    ("li", "Vorsicht: Die Einstellungen bestimmen, wie Ihre Batterien geladen werden. Ändern Sie nur "
           "Werte, die Sie verstehen."),
    ("h2", "4. Periodische Aufzeichnung"),
    ("li", "Drücken Sie Periodisches Speichern (die Uhr mit der Diskette). Schalten Sie die Aufzeichnung "
           "ein und wählen Sie die Stunden zwischen zwei Messungen (1 bis 48); die verbleibenden Stunden "
           "werden daneben angezeigt."),
    ("li", "Geben Sie den Dateinamen für die aufgezeichneten Daten an. Jede Messung fügt dieser Datei einen "
           "Block und der Datei LOGFILE.CSV eine Zeile hinzu, die jede Tabellenkalkulation öffnet."),
    ("li", "Für einen entfernten Regler schalten Sie die Modem-Einwahl ein und geben die Rufnummer an: "
           "TALVIK ruft an, liest die Daten und legt von selbst wieder auf."),
    ("li", "Die Anzeige-Schaltfläche zeigt die Aufzeichnungsdatei. Das Programm muss für die Aufzeichnung "
           "laufen."),
    ("h2", "5. Berichte speichern und drucken"),
    ("li", "Daten speichern (die Diskette) öffnet das gelbe Speicherfeld: Kreuzen Sie die gewünschten "
           "Gruppen an (aktueller Zustand, Verlauf, Einstellungen, Kalibrierung; jede wird verfügbar, "
           "sobald sie gelesen wurde), geben Sie einen Dateinamen ein und drücken Sie die "
           "Speichern-Schaltfläche. Daten drucken (der Drucker) druckt denselben Bericht."),
    ("h2", "6. Sprache und Schriftarten"),
    ("li", "Die Flaggen-Schaltfläche wählt die Sprache: Englisch, Chinesisch oder Deutsch. Die "
           "Schaltfläche „A“ im selben Feld wählt die Schriftart der aktuellen Sprache."),
    ("h2", "7. TALVIK beenden"),
    ("li", "Drücken Sie die Tür-Schaltfläche und bestätigen Sie mit dem grünen Haken; das rote Kreuz "
           "bricht ab. Port, Sprache, Telefonbuch und Aufzeichnungseinstellungen bleiben für den nächsten "
           "Start erhalten. Ein bestehender Modem-Anruf wird beim Beenden nicht aufgelegt: legen Sie "
           "vorher auf."),
]

CHINESE = [
    ("h1", "TALVIK 帮助"),
    ("p", "TALVIK 通过串行线路读取和修改 QV 太阳能充电控制器的存储器：可以用电缆直接连接，也可以通过"
          "调制解调器和电话线连接。所有功能都从主窗口顶部的工具栏进入；把鼠标停在按钮上，状态栏会显示"
          "按钮的名称。"),
    ("h2", "一、连接控制器"),
    ("li", "直接电缆：把电缆一端插入控制器的通信插座，另一端插入计算机的串行端口（COM 端口）。"),
    ("li", "按“调制解调器设置”按钮（带天线的小盒子）。在“直接连接”下选择波特率（通常为 9600）和端口号。"
           "状态栏在时钟旁边显示端口（例如“COM1”）和波特率。"),
    ("li", "通过调制解调器：填写调制解调器端口。勾选“启用TAPI模式”可以使用 Windows 中已安装的调制解调器，"
           "并用“选择”按钮选定；否则请输入调制解调器设置字符串（默认 &K0&Q0&D0）。只有脉冲拨号线路才勾选"
           "“脉冲拨号”。"),
    ("li", "按拨号按钮（电话听筒）。输入名称和电话号码，或打开电话簿选择 16 个站点之一；输入的内容会保存在"
           "所选的行中。面板中的拨号按钮开始呼叫，“挂断”结束通话。"),
    ("li", "联网的控制器：在单条命令列表中选择站点模式，然后用工具栏最右边的按钮设置站点号。"),
    ("h2", "二、读取数据"),
    ("li", "“当前状态”（带闪电的电池）打开当前数据窗口，读取电池电压、充电电流和负载电流、安时数、温度"
           "以及调节状态。"),
    ("li", "“历史数据”（柱状图）读取每日历史记录并绘制成曲线。"),
    ("li", "“QV设置”（滑块）打开设置窗口，读取控制器的设置和校准值。"),
    ("li", "读取过程中状态栏显示进度。“Data Received”表示读取完成；“Timeout”或“Comm Fail”表示控制器没有"
           "应答，请检查电缆、端口号和波特率。"),
    ("h2", "三、修改设置"),
    ("li", "在设置窗口中修改一个数值，程序会立即检查它是否在允许范围内。发送按钮把该值写入控制器；每次写入"
           "后都会从控制器读回，以确认写入成功。"),
    ("li", "完整的一组设置可以保存到文件中，以后再载入，例如用来把多台控制器设置成相同的参数。"),
    ("li", "注意：设置决定电池的充电方式。只修改您了解的数值。"),
    ("h2", "四、定时记录"),
    ("li", "按“定时保存”（带磁盘的时钟）。勾选定时记录，并选择两次采样之间的小时数（1 到 48）；旁边显示距离"
           "下次采样还剩的小时数。"),
    ("li", "输入记录数据的文件名。每次采样都会在该文件中添加一段记录，并在 LOGFILE.CSV 中添加一行，"
           "可以用任何电子表格软件打开。"),
    ("li", "对于远程控制器，勾选调制解调器拨号并输入要拨的号码：TALVIK 会自动拨号、读取数据并挂断。"),
    ("li", "查看按钮显示记录文件。只有程序保持运行时才会进行记录。"),
    ("h2", "五、保存和打印报告"),
    ("li", "“保存数据”（磁盘）打开黄色的保存面板：勾选要包含的数据组（当前状态、历史、设置、校准；每一组在"
           "读取之后才可选），输入文件名并按保存按钮。“打印数据”（打印机）打印同样的报告。"),
    ("h2", "六、语言和字体"),
    ("li", "国旗按钮用于选择语言：英语、中文或德语。同一面板中的“A”按钮用于选择当前语言的字体。"),
    ("h2", "七、退出 TALVIK"),
    ("li", "按门形按钮，再按绿色的勾确认；红色的叉取消。端口、语言、电话簿和记录设置会保留到下次启动。"
           "退出程序不会挂断正在进行的调制解调器通话，请先挂断。"),
]

LANGS = {
    "qvhlpeng.rtf": (ENGLISH, "cp1252", 1252, 0, "Arial"),
    "qvhlpfre.rtf": (FRENCH, "cp1252", 1252, 0, "Arial"),
    "qvhlpger.rtf": (GERMAN, "cp1252", 1252, 0, "Arial"),
    "qvhlpchi.rtf": (CHINESE, "gbk", 936, 134, "WenQuanYi Micro Hei"),
}


def is_cjk(ch):
    return ord(ch) >= 0x2E80 or ch in "“”"


def tighten(text):
    """Chinese text takes no blanks beside Chinese characters; a blank there only gives the
    reader a place to break the line badly."""
    out = []
    for i, ch in enumerate(text):
        if ch == " ":
            before = text[i - 1] if i > 0 else ""
            after = text[i + 1] if i + 1 < len(text) else ""
            if (before and is_cjk(before)) or (after and is_cjk(after)):
                continue
        out.append(ch)
    return "".join(out)


def escape(text, codec):
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 128:
            out.append(ch)
        else:
            fallback = ch.encode(codec)
            code = ord(ch)
            if code > 32767:
                code -= 65536
            out.append("\\uc%d\\u%d" % (len(fallback), code))
            out.append("".join("\\'%02x" % b for b in fallback))
    return "".join(out)


def document(paras, codec, codepage, charset, font):
    lines = [
        "{\\rtf1\\ansi\\ansicpg%d\\deff0" % codepage,
        "{\\fonttbl{\\f0\\fswiss\\fcharset%d %s;}}" % (charset, font),
        "{\\colortbl ;\\red0\\green51\\blue153;}",
        "\\viewkind4\\pard\\sa120\\f0\\fs20",
    ]
    for kind, text in paras:
        body = escape(tighten(text) if codec == "gbk" else text, codec)
        if kind == "h1":
            lines.append("\\pard\\sa200\\cf1\\b\\fs32 %s\\b0\\fs20\\cf0\\par" % body)
        elif kind == "h2":
            lines.append("\\pard\\sb160\\sa80\\cf1\\b\\fs24 %s\\b0\\fs20\\cf0\\par" % body)
        elif kind == "li" and codec == "gbk":
            # A tab or blank after the bullet lets the reader push the whole Chinese run to the
            # next line; a non-breaking blank keeps the bullet with its text.
            lines.append("\\pard\\fi-240\\li360\\sa80 \\bullet\\~%s\\par" % body)
        elif kind == "li":
            lines.append("\\pard\\fi-240\\li360\\tx360\\sa80 \\bullet\\tab %s\\par" % body)
        else:
            lines.append("\\pard\\sa120 %s\\par" % body)
    lines.append("}")
    return "\r\n".join(lines) + "\r\n"


def main():
    for name, (paras, codec, codepage, charset, font) in LANGS.items():
        with open(os.path.join(HERE, name), "w", encoding="ascii", newline="") as f:
            f.write(document(paras, codec, codepage, charset, font))


if __name__ == "__main__":
    main()
