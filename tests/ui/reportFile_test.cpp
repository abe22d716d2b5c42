// Report and log file names: where a relative name lies, and which files count as rich text.
#include "ui/reportFile.h"

#include <gtest/gtest.h>

#include "reportsTestDir.h"

namespace talvik {
namespace {

TEST(ReportFile, RelativeNamesLieInTheGivenFolderAndFullNamesStay) {
    EXPECT_EQ(ExtractFileDir("C:\\qv\\NUVDATA1"), "C:\\qv\\");
    EXPECT_EQ(ExtractFileName("C:\\qv\\NUVDATA1"), "NUVDATA1");
    EXPECT_EQ(ExtractFileDir("NUVDATA1"), "");
    EXPECT_EQ(ExtractFileDir("D:LOG.RTF"), "D:");
    EXPECT_EQ(ExtractFileName("logs/site.rtf"), "site.rtf");

    EXPECT_EQ(AnchoredPath("NUVDATA1", "C:\\qv\\"), "C:\\qv\\NUVDATA1");
    EXPECT_EQ(AnchoredPath("LOGFILE.CSV", "C:\\qv"), "C:\\qv\\LOGFILE.CSV");
    EXPECT_EQ(AnchoredPath("logs\\a.rtf", "C:\\qv\\"), "C:\\qv\\logs\\a.rtf");
    EXPECT_EQ(AnchoredPath("E:\\data\\a.doc", "C:\\qv\\"), "E:\\data\\a.doc");
    EXPECT_EQ(AnchoredPath("\\\\server\\share\\a.doc", "C:\\qv\\"), "\\\\server\\share\\a.doc");
    EXPECT_EQ(AnchoredPath("/tmp/a.doc", "C:\\qv\\"), "/tmp/a.doc");
}

TEST(ReportFile, OnlyRichTextAndEmptyFilesMayBeAddedTo) {
    ScratchDir dir;
    PutFile(dir.File("report.doc"), "{\\rtf1\\ansi hello}");
    PutFile(dir.File("empty.doc"), "");
    PutFile(dir.File("notes.doc"), "{not rich text}");
    PutFile(dir.File("tiny.doc"), "{\\r");
    EXPECT_TRUE(FileIsRichText(dir.File("report.doc")));
    EXPECT_TRUE(FileIsRichText(dir.File("empty.doc")));
    EXPECT_FALSE(FileIsRichText(dir.File("notes.doc")));
    EXPECT_FALSE(FileIsRichText(dir.File("tiny.doc")));
    EXPECT_FALSE(FileIsRichText(dir.File("missing.doc")));
}

}  // namespace
}  // namespace talvik
