// The messages of the save panel and the settings-file panel, in one place: what they say,
// their icons and their buttons, shown through the controls library's message dialog.
#pragma once

#include <string>

namespace talvik {

enum class SaveMessageKind { Information, Warning, Error };

// The answers of the "Save File Action" question, as the dialog returns them.
enum class FileAction : int { Append = 1, Cancel = 2, Overwrite = 3 };

// A message with one OK button (Enter and Escape both close it).
void ShowSaveMessage(SaveMessageKind kind, const std::string& text);
// "File already exists...": Append (the default), Overwrite or Cancel (also Escape).
FileAction AskFileAction();

}  // namespace talvik
