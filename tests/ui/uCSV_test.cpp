// The CSV writer: quoting, rows dropped for a wrong field count, and appending to real files.
#include "ui/uCSV.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "reportsTestDir.h"
#include "ui/fileUtil.h"

namespace talvik {
namespace {

TEST(CsvQuote, BlanksCommasAndQuotes) {
    EXPECT_EQ(T_objCSV::CsvQuoteField(""), "");
    EXPECT_EQ(T_objCSV::CsvQuoteField(" "), "\" \"");
    EXPECT_EQ(T_objCSV::CsvQuoteField("12.5V"), "12.5V");
    EXPECT_EQ(T_objCSV::CsvQuoteField("Int 3.2A"), "\"Int 3.2A\"");
    EXPECT_EQ(T_objCSV::CsvQuoteField("a,b"), "\"a,b\"");
    // A quote inside is doubled and the field is always enclosed.
    EXPECT_EQ(T_objCSV::CsvQuoteField("5\"inch"), "\"5\"\"inch\"");
    EXPECT_EQ(T_objCSV::CsvQuoteField("say \"hi\""), "\"say \"\"hi\"\"\"");
    // Already enclosed: its outer quotes stay, only the inner ones are doubled.
    EXPECT_EQ(T_objCSV::CsvQuoteField("\"a b\""), "\"a b\"");
    EXPECT_EQ(T_objCSV::CsvQuoteField("\"a\"b\""), "\"a\"\"b\"");
    // A lone quote is no enclosed field.
    EXPECT_EQ(T_objCSV::CsvQuoteField("\""), "\"\"\"\"");
}

TEST(CsvRow, FieldCountMustMatch) {
    T_objCSV csv;
    csv.CsvSetColumnCount(3);
    csv.CsvAddField("a");
    csv.CsvAddField("");
    csv.CsvAddField("c d");
    std::string line = "junk";
    csv.CsvCommitRow(line);
    EXPECT_EQ(line, "a,,\"c d\"");
    ASSERT_EQ(csv.Lines().size(), 1u);
    EXPECT_EQ(csv.Fields().size(), 3u);  // the fields stay until cleared

    csv.CsvAddField("x");  // now 4 fields: dropped without a word
    csv.CsvCommitRow(line);
    EXPECT_EQ(line, "");
    EXPECT_EQ(csv.Lines().size(), 1u);

    csv.CsvClearFields();
    csv.CsvAddField("x");
    csv.CsvCommitRow(line);
    EXPECT_EQ(line, "");
    EXPECT_EQ(csv.Lines().size(), 1u);

    csv.CsvClearAll();
    EXPECT_TRUE(csv.Lines().empty());
    EXPECT_TRUE(csv.Fields().empty());
}

TEST(CsvRow, ZeroColumnsCommitsAnEmptyLine) {
    T_objCSV csv;
    std::string line = "junk";
    csv.CsvCommitRow(line);
    EXPECT_EQ(line, "");
    ASSERT_EQ(csv.Lines().size(), 1u);
    EXPECT_EQ(csv.Lines()[0], "");
}

TEST(CsvFile, CreatesThenAppendsNeverRewriting) {
    ScratchDir dir;
    T_objCSV csv;
    csv.SetFileName(dir.File("LOGFILE.CSV"));
    csv.CsvSetColumnCount(2);
    std::string line;
    csv.CsvAddField("1");
    csv.CsvAddField("one");
    csv.CsvCommitRow(line);
    csv.CsvWriteToFile();
    EXPECT_EQ(ReadWholeFile(csv.FileName()), "1,one\r\n");

    csv.CsvClearAll();
    csv.CsvAddField("2");
    csv.CsvAddField("two words");
    csv.CsvCommitRow(line);
    csv.CsvWriteToFile();
    EXPECT_EQ(ReadWholeFile(csv.FileName()), "1,one\r\n2,\"two words\"\r\n");

    // Pending lines are written again until cleared.
    csv.CsvWriteToFile();
    EXPECT_EQ(ReadWholeFile(csv.FileName()), "1,one\r\n2,\"two words\"\r\n2,\"two words\"\r\n");
}

TEST(CsvFile, ExistingContentKeptWhenAppending) {
    ScratchDir dir;
    const std::string name = dir.File("old.csv");
    PutFile(name, "earlier,row\r\n");
    T_objCSV csv;
    csv.SetFileName(name);
    csv.CsvSetColumnCount(1);
    csv.CsvAddField("new");
    std::string line;
    csv.CsvCommitRow(line);
    csv.CsvWriteToFile();
    EXPECT_EQ(ReadWholeFile(name), "earlier,row\r\nnew\r\n");
}

TEST(CsvFile, UnwritablePathRaisesAndCreatesNothing) {
    ScratchDir dir;
    T_objCSV csv;
    const std::string name = dir.File("missing-folder/LOGFILE.CSV");
    csv.SetFileName(name);
    csv.CsvSetColumnCount(1);
    csv.CsvAddField("x");
    std::string line;
    csv.CsvCommitRow(line);
    EXPECT_THROW(csv.CsvWriteToFile(), EFileError);
    EXPECT_FALSE(FileExistsUtf8(name));
    // A folder in the file's place cannot be appended to either.
    std::filesystem::create_directories(PathOfUtf8(dir.File("adir")));
    csv.SetFileName(dir.File("adir"));
    EXPECT_THROW(csv.CsvWriteToFile(), EFileError);
}

}  // namespace
}  // namespace talvik
