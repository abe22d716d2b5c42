// The library's utilities: number-text normalising, character tables and text routines,
// variant tests, the Windows version table and the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "controls/XcDynControlEngineTools.h"
#include "controls/XcXCUUtils.h"
#include "controls/XcuStrings.h"
#include "controls/XcuSysInfo.h"
#include "controls/XcuSysUtils.h"

using namespace talvik;

TEST(NormaliseNumberText, FollowsTheLocaleSeparators) {
    EXPECT_EQ(NormaliseNumberText("  1.234,5 ", ',', '.'), "1234,5");
    EXPECT_EQ(NormaliseNumberText("  1.234,5 ", '.', ','), "1.2345");
    // With a separator that is neither "." nor ",", both are read as the decimal separator.
    EXPECT_EQ(NormaliseNumberText("3,5", '.', ' '), "3.5");
    EXPECT_EQ(NormaliseNumberText("1 000.5", '.', ' '), "1000.5");
}

TEST(NormaliseNumberText, EmptyAndNonNumericText) {
    EXPECT_EQ(NormaliseNumberText("", '.', ','), "0");
    EXPECT_EQ(NormaliseNumberText("-", '.', ','), "-0");
    EXPECT_EQ(NormaliseNumberText("abc", '.', ','), "0");
    EXPECT_EQ(NormaliseNumberText("1e5", '.', ','), "15");  // the exponent letter is dropped
    EXPECT_EQ(NormaliseNumberText("\t-7x", '.', ','), "-7");
    XcFormatSettings() = TXcFormatSettings{',', '.'};
    EXPECT_EQ(NormaliseNumberText("2.500,25"), "2500,25");
    XcFormatSettings() = TXcFormatSettings{};
}

TEST(CharTables, CaseTablesSwapLettersAndLeaveTheRest) {
    const TXcCharTables& t = CharTables();
    ASSERT_TRUE(t.Built);
    EXPECT_TRUE(CharIsUpper('Q'));
    EXPECT_FALSE(CharIsLower('Q'));
    EXPECT_TRUE(CharIsLower('q'));
    EXPECT_FALSE(CharIsUpper('5'));
    EXPECT_EQ(CharToggleCase('q'), 'Q');
    EXPECT_EQ(CharToggleCase('Q'), 'q');
    EXPECT_EQ(CharToggleCase('5'), '5');
    EXPECT_EQ(t.Swap[0xC9], 0xE9);  // É and é
    EXPECT_EQ(t.Swap[0xE9], 0xC9);
    EXPECT_EQ(t.Swap[0xDF], 0xDF);  // ß has no upper form
    EXPECT_EQ(t.Upper[0xFF], 0x9F);
    EXPECT_EQ(t.Swap[0xD7], 0xD7);  // the multiplication sign is no letter
    for (int i = 0; i < 256; ++i) {
        // Swapping twice gives the code back for every letter that has both forms.
        if (t.Swap[i] != i && t.Swap[t.Swap[i]] != i) ADD_FAILURE() << "code " << i;
    }
}

TEST(CharTables, AnyClassifierFillsTheTablesTheSameWay) {
    TXcCharTables t;
    TXcCharClassifier c;
    c.CharType = [](unsigned char ch) -> std::uint16_t { return ch == 'x' ? C1_LOWER_FLAG : ch == 'Y' ? C1_UPPER_FLAG : 0; };
    c.ToLower = [](unsigned char ch) -> unsigned char { return ch == 'Y' ? 'y' : ch; };
    c.ToUpper = [](unsigned char ch) -> unsigned char { return ch == 'x' ? 'X' : ch; };
    BuildCharTables(t, c);
    EXPECT_EQ(t.Swap['x'], 'X');
    EXPECT_EQ(t.Swap['Y'], 'y');
    EXPECT_EQ(t.Swap['a'], 'a');  // not classified as a letter: stays
}

TEST(TextRoutines, BlankOnlyTrimsCountingReplacingAndMaking) {
    EXPECT_EQ(StrTrim("  \tab  "), "\tab");  // a leading tab stays
    EXPECT_EQ(StrTrimLeft("  a "), "a ");
    EXPECT_EQ(StrTrimRight("  a "), "  a");
    EXPECT_EQ(StrTrim("   "), "");
    EXPECT_EQ(StrCharCount("1,234,567", ','), 2);
    EXPECT_EQ(StrCharCount("", ','), 0);
    EXPECT_EQ(StrRemoveChars("1,234,567", ','), "1234567");
    EXPECT_EQ(StrReplaceAll("aaa", "a", "aa"), "aaaaaa");  // scanning goes on after each replacement
    EXPECT_EQ(StrReplaceAll("a.b.c", ".", ","), "a,b,c");
    EXPECT_EQ(StrMake('-', 3), "---");
    EXPECT_EQ(StrMake('-', 0), "");
    EXPECT_EQ(StrMake('-', -2), "");
}

TEST(VariantTests, IntegerTypesAndTextAsBoolean) {
    EXPECT_TRUE(XcVarIsInteger(TXcVariant(5)));
    EXPECT_TRUE(XcVarIsInteger(TXcVariant::OfInteger(5, varByte)));
    EXPECT_TRUE(XcVarIsInteger(TXcVariant::OfInteger(5, varLongWord)));
    EXPECT_FALSE(XcVarIsInteger(TXcVariant::OfInteger(5, varInt64)));
    EXPECT_FALSE(XcVarIsInteger(TXcVariant("5")));
    EXPECT_FALSE(XcVarIsInteger(TXcVariant(true)));
    EXPECT_TRUE(XcVarToBoolean(TXcVariant(true)));
    EXPECT_FALSE(XcVarToBoolean(TXcVariant(false)));
    EXPECT_TRUE(XcVarToBoolean(TXcVariant("tRuE")));
    EXPECT_FALSE(XcVarToBoolean(TXcVariant("1")));
    EXPECT_FALSE(XcVarToBoolean(TXcVariant(1)));
    EXPECT_FALSE(XcVarToBoolean(TXcVariant()));
}

TEST(FileNameEditorOptions, TheOptionSetBecomesTheFileDialogsFlags) {
    // The default: hide read-only (OFN_HIDEREADONLY 0x4) and enable sizing (OFN_ENABLESIZING
    // 0x800000), on the explorer-style dialog (OFN_EXPLORER 0x80000). Taken as flags, 0x80004
    // would have lost the sizing.
    EXPECT_EQ(kDefaultFileNameOptions, 0x80004u);
    EXPECT_EQ(OpenDialogFlags(kDefaultFileNameOptions), 0x4u | 0x800000u | 0x80000u);
    EXPECT_EQ(OpenDialogFlags(0), 0x80000u);
    EXPECT_EQ(OpenDialogFlags(ofOverwritePrompt | ofPathMustExist | ofFileMustExist), 0x2u | 0x800u | 0x1000u | 0x80000u);
    EXPECT_EQ(OpenDialogFlags(ofNoValidate | ofAllowMultiSelect), 0x100u | 0x200u | 0x80000u);
    // The old-style dialog is the explorer flag left out.
    EXPECT_EQ(OpenDialogFlags(ofOldStyleDialog | ofHideReadOnly), 0x4u);
    EXPECT_EQ(OpenDialogFlags(ofDontAddToRecent | ofForceShowHidden), 0x2000000u | 0x10000000u | 0x80000u);
}

TEST(WindowsVersion, CodesFromTheSystemFacts) {
    TVersionFacts f;
    f.Platform = TPlatform::Win9x;
    f.Major = 4;
    f.Minor = 0;
    f.ServicePack = " C ";
    EXPECT_EQ(WindowsVersionCode(f), wvWin95OSR2);
    f.Minor = 10;
    f.ServicePack = "A";
    EXPECT_EQ(WindowsVersionCode(f), wvWin98SE);
    f.KernelProductVersion = 0x4005A;
    EXPECT_EQ(WindowsVersionCode(f), wvWinME);
    f = {};
    f.Major = 5;
    f.Minor = 2;
    f.NativeArchitecture = 9;
    EXPECT_EQ(WindowsVersionCode(f), wvWinXP64);
    f.ProductType = 3;
    EXPECT_EQ(WindowsVersionCode(f), wvWin2003);
    f.ServerR2 = true;
    EXPECT_EQ(WindowsVersionCode(f), wvWin2003R2);
    f = {};
    f.Major = 6;
    f.Minor = 1;
    EXPECT_EQ(WindowsVersionCode(f), wvUnknown);
    TXcSystemInfo info;
    SetVersionFlags(info, wvWinNT351);
    EXPECT_TRUE(info.IsWinNT351 && info.IsWinNT35 && info.IsWinNT3);
    EXPECT_FALSE(info.IsWinNT31);
}

TEST(GlobalLock, HoldingTheInterfaceHoldsTheLock) {
    IXcUnknown* cs = GlobalCriticalSection();
    EXPECT_EQ(cs, GlobalCriticalSection());
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(cs->QueryInterface("{11111111-0000-0000-0000-000000000000}", &other), E_NOINTERFACE_CODE);
    EXPECT_EQ(other, nullptr);
    std::atomic<bool> entered{false};
    std::thread t;
    {
        TXcLockRef held(cs);
        t = std::thread([&] {
            TXcLockRef mine(cs);
            entered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(entered);  // still held by this scope
    }
    t.join();
    EXPECT_TRUE(entered);
}
