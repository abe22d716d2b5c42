// The messages of the save panel and the settings-file panel, in one place: what they say,
// their icons and their buttons. Every one of them goes through here, so the dialog that shows
// them is chosen in one spot.
#pragma once

#include <functional>
#include <string>

namespace talvik {

enum class SaveMessageKind { Information, Warning, Error };

// The answers of the "Save File Action" question, as the dialog returns them.
enum class FileAction : int { Append = 1, Cancel = 2, Overwrite = 3 };

// A message with one OK button (Enter and Escape both close it).
void ShowSaveMessage(SaveMessageKind kind, const std::string& text);
// "File already exists...": Append (the default), Overwrite or Cancel (also Escape).
FileAction AskFileAction();

// What a test sees of one message, and its answer (the modal result; ignored for messages).
struct SaveDialogCall {
    SaveMessageKind kind;
    std::string caption;  // empty: the program title
    std::string text;
    bool question;        // the Append / Overwrite / Cancel question
};
using SaveDialogHook = std::function<int(const SaveDialogCall&)>;
// When set, answers every message and question instead of showing it; returns the old hook.
SaveDialogHook SetSaveDialogHook(SaveDialogHook hook);

}  // namespace talvik
