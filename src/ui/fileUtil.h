// Whole-file writes that never leave a half-written file: the data goes to a temporary file
// beside the target, which then replaces it. Names are UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvik {

std::filesystem::path PathOfUtf8(const std::string& name);
bool FileExistsUtf8(const std::string& name);
// Replaces (or creates) the file with exactly these bytes; raises EFileError on failure and
// then leaves an existing file as it was.
void WriteWholeFile(const std::string& name, const std::string& bytes);
// The whole file; raises EFileError when it cannot be read.
std::string ReadWholeFile(const std::string& name);

}  // namespace talvik
