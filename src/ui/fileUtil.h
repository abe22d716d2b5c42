// Whole-file writes that never leave a half-written file: the data goes to a temporary file
// beside the target, which then replaces it. Every writer of the user's files (settings file,
// report, log, CSV rows) asks RefuseReadOnlyFile first. Names are UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvik {

// A file could not be written; the message names the file and the reason.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file is marked read-only: it was not touched.
class EReadOnlyFile : public EFileError {
public:
    using EFileError::EFileError;
};

std::filesystem::path PathOfUtf8(const std::string& name);
bool FileExistsUtf8(const std::string& name);
// Whether an existing file carries the read-only mark (no write permission for its owner).
bool FileIsReadOnly(const std::string& name);
// Raises EReadOnlyFile, naming the file in the current language, when it is marked read-only.
// Marking a file read-only is how a user guards it against a hasty "replace it?": the system's
// own rename over it, or running as an administrator, must not undo that.
void RefuseReadOnlyFile(const std::string& name);
// Replaces (or creates) the file with exactly these bytes; raises EFileError on failure (and
// EReadOnlyFile for a read-only file) and then leaves an existing file as it was.
void WriteWholeFile(const std::string& name, const std::string& bytes);
// The whole file; raises EFileError when it cannot be read.
std::string ReadWholeFile(const std::string& name);

}  // namespace talvik
