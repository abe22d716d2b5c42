// The main window's settings-file panel and periodic log under Wine, on real files: save and
// load of the memory image, a refused file, and log records added to the rich-text log and
// LOGFILE.CSV one after another.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "link/uVar.h"
#include "reportsTestDir.h"
#include "toolkit/comctrls.h"
#include "ui/fileUtil.h"
#include "ui/main.h"
#include "ui/talvikProgram.h"

using namespace talvik;

namespace {

const char kTestKey[] = "Software\\Corvanel\\TALVIK-reports-test";

class ReportsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Tmainform::RegistryKeyPath = kTestKey;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        SetMessageDlgHook([this](const std::string& text, TMsgDlgType, unsigned) {
            messages.push_back(text);
            return TModalResult::mrOk;
        });
        Tmainform::SystemBeep = [this] { ++beeps; };
        StartProgram();
        mainform->Timer1.SetEnabled(false);
    }
    void TearDown() override {
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
        SetMessageDlgHook(nullptr);
        TSaveDialog::Hook = nullptr;
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        RegImage.fill(0);
        KindLoaded.Fill(false);
        CalibrationLoaded = false;
    }
    void Choose(const std::string& path) {
        TSaveDialog::Hook = [path](TSaveDialog*) { return std::optional<std::string>(path); };
    }
    std::vector<std::string> errors, messages;
    int beeps = 0;
    ScratchDir dir;
};

TEST_F(ReportsWindowTest, SettingsFileSavedAndLoadedThroughThePanel) {
    for (int i = 0; i < ImageSize; ++i) RegImage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    const auto saved = RegImage;
    const std::string name = dir.File("regulator.stp");
    mainform->qvsetpanel->Show();
    Choose(name);
    mainform->setsavebbutClick();
    EXPECT_FALSE(mainform->qvsetpanel->Visible());
    const std::string bytes = ReadWholeFile(name);
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 255);

    RegImage.fill(1);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    mainform->qvsetpanel->Show();
    mainform->setgetbbutClick();
    EXPECT_EQ(RegImage, saved);
    EXPECT_FALSE(mainform->qvsetpanel->Visible());
    EXPECT_TRUE(mainform->Setsavecheck->Enabled());
    EXPECT_TRUE(mainform->Calsavecheck->Enabled());
    EXPECT_FALSE(mainform->Currsavecheck->Enabled());
    EXPECT_TRUE(KindLoaded[6]);
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReportsWindowTest, ShortFileRefusedWithAMessageAndMissingFileBeeps) {
    RegImage.fill(7);
    const std::string name = dir.File("short.stp");
    PutFile(name, std::string(100, '\x09'));
    mainform->qvsetpanel->Show();
    Choose(name);
    mainform->setgetbbutClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("100 bytes"), std::string::npos) << messages[0];
    EXPECT_EQ(RegImage[0], 7);
    EXPECT_FALSE(mainform->Setsavecheck->Enabled());
    EXPECT_TRUE(mainform->qvsetpanel->Visible());

    Choose(dir.File("gone.stp"));
    mainform->setgetbbutClick();
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(messages.size(), 1u);

    TSaveDialog::Hook = [](TSaveDialog*) { return std::optional<std::string>(); };
    mainform->setgetbbutClick();
    mainform->setsavebbutClick();
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(mainform->qvsetpanel->Visible());
}

TEST_F(ReportsWindowTest, LogRecordsAddUpInBothFiles) {
    const auto oldDir = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const std::string log = dir.File("site log.rtf");
    mainform->logedit->SetText(log);

    LogWritePending = true;
    mainform->Timer1Timer();
    EXPECT_FALSE(LogWritePending);
    ASSERT_TRUE(FileExistsUtf8(log));
    const std::string first = ReadWholeFile(log);
    EXPECT_EQ(first.rfind("{\\rtf", 0), 0u);
    const std::string csvAfterOne = ReadWholeFile(dir.File("LOGFILE.CSV"));

    LogWritePending = true;
    mainform->Timer1Timer();
    const std::string csvAfterTwo = ReadWholeFile(dir.File("LOGFILE.CSV"));
    std::filesystem::current_path(oldDir);

    // One row of 37 fields per record, the first row kept as it was.
    ASSERT_FALSE(csvAfterOne.empty());
    EXPECT_EQ(csvAfterTwo.substr(0, csvAfterOne.size()), csvAfterOne);
    EXPECT_EQ(std::count(csvAfterTwo.begin(), csvAfterTwo.end(), '\n'), 2);
    const std::string row = csvAfterOne.substr(0, csvAfterOne.find("\r\n"));
    int commasOutsideQuotes = 0;
    bool inQuotes = false;
    for (char c : row) {
        if (c == '"') inQuotes = !inQuotes;
        if (c == ',' && !inQuotes) ++commasOutsideQuotes;
    }
    EXPECT_EQ(commasOutsideQuotes, 36) << row;

    TRichEdit view(mainform);
    view.LoadFromFile(log);
    const std::string text = view.PlainText();
    const auto firstTitle = text.find("QV DATA");
    ASSERT_NE(firstTitle, std::string::npos) << text;
    EXPECT_NE(text.find("QV DATA", firstTitle + 1), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(62, '-')), std::string::npos);
    EXPECT_NE(text.find("Battery Voltage\t"), std::string::npos);
    EXPECT_NE(text.find("TIME "), std::string::npos);
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0]);
}

}  // namespace
