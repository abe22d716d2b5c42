// Report and log file names and checks (see reportFile.h).
#include "ui/reportFile.h"

#include <fstream>

#include "ui/fileUtil.h"

namespace talvik {

namespace {
bool IsDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }
}  // namespace

std::string ExtractFileDir(const std::string& name) {
    for (std::size_t i = name.size(); i > 0; --i)
        if (IsDelimiter(name[i - 1])) return name.substr(0, i);
    return {};
}

std::string ExtractFileName(const std::string& name) { return name.substr(ExtractFileDir(name).size()); }

bool IsAbsolutePath(const std::string& name) {
    if (name.size() >= 2 && name[1] == ':') return true;
    return !name.empty() && (name[0] == '\\' || name[0] == '/');
}

std::string AnchoredPath(const std::string& name, const std::string& folder) {
    if (IsAbsolutePath(name) || folder.empty()) return name;
    return IsDelimiter(folder.back()) ? folder + name : folder + "\\" + name;
}

bool StartsAsRichText(const std::string& leadingBytes) { return leadingBytes.rfind("{\\rtf", 0) == 0; }

bool FileIsRichText(const std::string& name) {
    std::ifstream in(PathOfUtf8(name), std::ios::binary);
    if (!in) return false;
    char head[5] = {};
    in.read(head, sizeof head);
    const auto got = in.gcount();
    if (got == 0) return !in.bad();
    return StartsAsRichText(std::string(head, static_cast<std::size_t>(got)));
}

std::string NotRichTextMessage(const std::string& name) {
    return name + " is not a rich-text report file: nothing was added to it, and it is left as it was.";
}

}  // namespace talvik
