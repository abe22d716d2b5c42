// The comma-separated writer of the periodic log: collects the fields of one row, turns a row
// with the right number of fields into a line and appends the pending lines to a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/fileUtil.h"

namespace talvik {

class T_objCSV {
public:
    T_objCSV();

    void CsvSetColumnCount(std::int32_t Count) { FColumnCount = Count; }
    void CsvAddField(const std::string& Field) { FFields.push_back(Field); }
    void CsvClearFields() { FFields.clear(); }
    void CsvClearAll();
    static std::string CsvQuoteField(const std::string& Field);
    // Appends the row's line to the pending lines and returns it; a row whose field count is
    // not the column count is dropped and gives an empty line.
    void CsvCommitRow(std::string& Line);
    // Appends every pending line (CR LF after each) to the file, creating it when missing. On
    // failure the file is cut back to what it held before and EFileError is raised, so an
    // earlier row is never damaged and no half row is left. A read-only file is not touched.
    void CsvWriteToFile();

    void SetFileName(const std::string& name) { FFileName = name; }
    const std::string& FileName() const { return FFileName; }
    std::int32_t ColumnCount() const { return FColumnCount; }
    const std::vector<std::string>& Fields() const { return FFields; }
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::string FName;
    std::vector<std::string> FFields;
    std::vector<std::string> FLines;
    std::int32_t FColumnCount = 0;
    std::string FFileName;
};

// Writes "Load uCSV" to the debug channel (called once at start-up).
void LoaduCSV();

}  // namespace talvik
