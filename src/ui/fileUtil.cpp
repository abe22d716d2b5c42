// Whole-file reads and safe replacing writes (see fileUtil.h).
#include "ui/fileUtil.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "ui/uCSV.h"

namespace talvik {

std::filesystem::path PathOfUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

bool FileExistsUtf8(const std::string& name) {
    std::error_code ec;
    return std::filesystem::is_regular_file(PathOfUtf8(name), ec);
}

void WriteWholeFile(const std::string& name, const std::string& bytes) {
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
