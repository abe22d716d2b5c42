// Where report and log files lie and what may be done to an existing one. A relative name is
// taken in the program's folder, never in the current directory (which the file dialogs move),
// so the report saved and the report viewed are the same file, and so are the logs.
#pragma once

#include <string>

namespace talvik {

// The directory part of a name, up to and including its last '\', '/' or ':' ("" when none).
std::string ExtractFileDir(const std::string& name);
// The part after the directory.
std::string ExtractFileName(const std::string& name);
// True for "X:..." and names that start with a delimiter ("\dir", "\\server\share").
bool IsAbsolutePath(const std::string& name);
// name itself when absolute, else folder (ending with a delimiter) + name.
std::string AnchoredPath(const std::string& name, const std::string& folder);

// A rich-text document starts "{\rtf".
bool StartsAsRichText(const std::string& leadingBytes);
// Whether the file starts as rich text; false when it cannot be read. An empty file counts as
// rich text: nothing in it can be lost.
bool FileIsRichText(const std::string& name);

// Why a report cannot be added to an existing file that is not rich text.
std::string NotRichTextMessage(const std::string& name);

}  // namespace talvik
