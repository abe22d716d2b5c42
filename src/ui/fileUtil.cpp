// Whole-file reads and safe replacing writes (see fileUtil.h).
#include "ui/fileUtil.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "base/format.h"
#include "ui/lang.h"

namespace talvik {

std::filesystem::path PathOfUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

bool FileExistsUtf8(const std::string& name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(PathOfUtf8(name), ec);
}

bool FileIsReadOnly(const std::string& name) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(PathOfUtf8(name), ec);
    return !ec && std::filesystem::is_regular_file(st) &&
           (st.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

void RefuseReadOnlyFile(const std::string& name) {
    if (FileIsReadOnly(name)) throw EReadOnlyFile(Format(ReadOnlyFileTextOf(LanguageNumber).c_str(), name.c_str()));
}

void WriteWholeFile(const std::string& name, const std::string& bytes) {
    // Asked before the temporary file exists, so a refusal leaves nothing beside the file.
    RefuseReadOnlyFile(name);
    const std::filesystem::path target = PathOfUtf8(name);
    std::filesystem::path temp = target;
    temp += ".tmp~";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw EFileError("Cannot create file " + name);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw EFileError("Cannot write file " + name);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw EFileError("Cannot write file " + name + ": " + ec.message());
    }
}

std::string ReadWholeFile(const std::string& name) {
    std::ifstream in(PathOfUtf8(name), std::ios::binary);
    if (!in) throw EFileError("Cannot open file " + name);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EFileError("Cannot read file " + name);
    return data;
}

}  // namespace talvik
