// The save panel's messages (see saveDialogs.h).
#include "ui/saveDialogs.h"

#include "controls/XcDSADialogs.h"
#include "ui/lang.h"

namespace talvik {

void ShowSaveMessage(SaveMessageKind kind, const std::string& text) {
    const TDialogKind k = kind == SaveMessageKind::Warning ? dkWarning
                          : kind == SaveMessageKind::Error ? dkError
                                                           : dkInformation;
    ShowMessageDialog(text, k, {dbOK}, 0, dcScreen, 0, dbDialogChooses, dbDialogChooses, dbHelp);
}

FileAction AskFileAction() {
    const int answer =
        ShowCustomButtonDialog("Save File Action", "File already exists...", dkInformation,
                               {SaveFileAnswer[0], SaveFileAnswer[1], SaveFileAnswer[2]}, {1, 3, 2}, 0, dcScreen, 0,
                               /*default*/ 0, /*cancel*/ 2, /*help*/ -1);
    if (answer == static_cast<int>(FileAction::Append)) return FileAction::Append;
    if (answer == static_cast<int>(FileAction::Overwrite)) return FileAction::Overwrite;
    return FileAction::Cancel;  // Cancel, Escape or the box closed
}

}  // namespace talvik
