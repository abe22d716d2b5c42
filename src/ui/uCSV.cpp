// The periodic log's comma-separated writer (see uCSV.h).
#include "ui/uCSV.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/debugchannel.h"
#include "ui/fileUtil.h"

namespace talvik {

T_objCSV::T_objCSV() { FName.clear(); }

void T_objCSV::CsvClearAll() {
    FLines.clear();
    FFields.clear();
}

std::string T_objCSV::CsvQuoteField(const std::string& Field) {
    if (Field.empty()) return {};
    const bool alreadyEnclosed = Field.size() >= 2 && Field.front() == '"' && Field.back() == '"';
    std::string result = Field;
    bool enclosed = alreadyEnclosed;
    if (!alreadyEnclosed && Field.find_first_of(" ,") != std::string::npos) {
        result = '"' + Field + '"';
        enclosed = true;
    }
    const std::string inner = enclosed ? result.substr(1, result.size() - 2) : result;
    if (inner.find('"') == std::string::npos) return result;
    std::string doubled;
    for (char c : inner) {
        doubled += c;
        if (c == '"') doubled += '"';
    }
    return '"' + doubled + '"';
}

void T_objCSV::CsvCommitRow(std::string& Line) {
    Line.clear();
    if (static_cast<std::int64_t>(FFields.size()) != FColumnCount) return;
    for (std::size_t i = 0; i < FFields.size(); ++i) {
        if (i > 0) Line += ',';
        Line += CsvQuoteField(FFields[i]);
    }
    FLines.push_back(Line);
}

void T_objCSV::CsvWriteToFile() {
    RefuseReadOnlyFile(FFileName);
    const std::filesystem::path path = PathOfUtf8(FFileName);
    std::string block;
    for (const std::string& l : FLines) block += l + "\r\n";

    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    const std::uintmax_t before = existed ? std::filesystem::file_size(path, ec) : 0;
    if (ec) throw EFileError("Cannot open file " + FFileName + ": " + ec.message());

    bool ok;
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        if (!out) throw EFileError("Cannot open file " + FFileName);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        out.flush();
        ok = static_cast<bool>(out);
    }
    if (!ok) {
        // Take back whatever part of the block got through, so the file ends on a whole row.
        std::error_code ignored;
        if (existed)
            std::filesystem::resize_file(path, before, ignored);
        else
            std::filesystem::remove(path, ignored);
        throw EFileError("Cannot write file " + FFileName);
    }
}

void LoaduCSV() { DebugChannel("Load uCSV"); }

}  // namespace talvik
