// Result codes: the texts the program shows and the exception class each code raises.
#include <gtest/gtest.h>

#include <cstdlib>

#include "serial/KsExcept.h"
#include "serial/KsStrMap.h"

using namespace talvik;

TEST(CodeTable, IsOrderedByMagnitudeWithNoMagnitudeTwiceAndElevenEmptyTexts) {
    int empty = 0;
    for (int i = 0; i < MessageCodeCount; ++i) {
        if (i > 0) {
            EXPECT_LT(std::abs(MessageCodeTable[i - 1].Code), std::abs(MessageCodeTable[i].Code))
                << "at " << MessageCodeTable[i].Code;
        }
        if (MessageCodeTable[i].Text[0] == 0) ++empty;
    }
    EXPECT_EQ(empty, 11);
}

TEST(ErrorMsg, GivesTheExactTextOfEveryCodeTheProgramShows) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {0, "OK"},
        {-8, "Insufficient memory"},
        {-160, "Device write error"},
        {-161, "Device read error"},
        {-1002, "Bad argument passed to function"},
        {-2001, "ie_BadId - Specified comport doesn't exist"},
        {-2007, "ie_NOpen - device not open"},
        {-2008, "ie_Open - device already open"},
        {-2011, "The ComNumber property of the TKslComPort has not been set"},
        {-2012, "Comport was not opened by Tapi"},
        {-3001, "No device layer specified"},
        {-3004, "Failed to put entire block"},
        {-3006, "Output buffer too small for block"},
        {-3007, "Buffer is empty"},
        {-3010, "Base address not set"},
        {-5001, "No more trigger slots"},
        {-5002, "Data trigger too long"},
        {-5003, "Bad trigger handle"},
        {-13868, "No memory"},
        {-13928, "TAPI already open, dialing or answering"},
        {-13929, "TapiMode not set in TKslComPort"},
        {-13930, "No TAPI device selected"},
        {-13931, "Failed to find/load TAPI.DLL"},
        {-13932, "Failed to get TAPI address"},
        {15001, "No event"},
        {15021, "Script"},
        {15101, "ReadCom"},
        {15119, "Method"},
        {15501, "Time      Type      SubType       Data      OtherData"},
        {15502, "--------  --------  ------------  --------  ---------"},
        {15601, "DCTS "},
        {15608, "DCD "},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorMsg(static_cast<std::int16_t>(c.code)), c.text) << c.code;
}

TEST(ErrorMsg, LooksUpByMagnitudeSoBothSignsGiveTheSameText) {
    EXPECT_EQ(ErrorMsg(2), "File not found");
    EXPECT_EQ(ErrorMsg(-2), "File not found");
    EXPECT_EQ(ErrorMsg(13933), "TAPI disabled for 16-bit environments");
    EXPECT_EQ(ErrorMsg(-13933), "TAPI disabled for 16-bit environments");
    EXPECT_EQ(ErrorMsg(-5003), ErrorMsg(5003));
}

TEST(ErrorMsg, IsEmptyForAnEmptyEntryAndForAnUnknownCode) {
    EXPECT_EQ(ErrorMsg(4200), "");
    EXPECT_EQ(ErrorMsg(1), "");
    EXPECT_EQ(ErrorMsg(-32768), "");
    EXPECT_EQ(ErrorMsg(32767), "");
    // Every entry is found by the search.
    for (int i = 0; i < MessageCodeCount; ++i)
        EXPECT_EQ(ErrorMsg(static_cast<std::int16_t>(MessageCodeTable[i].Code)), MessageCodeTable[i].Text);
}

TEST(ErrorText, CleansAPlatformTextToOneLine) {
    EXPECT_EQ(CleanSystemText("Access is denied.\r\n"), "Access is denied. ");
    EXPECT_EQ(CleanSystemText("a\t\t b  \n\nc"), "a b c");
    EXPECT_EQ(CleanSystemText(std::string(300, 'x')).size(), 255u);
}

namespace {
template <class E>
void ExpectRaises(std::int32_t code, std::int32_t wantCode, const std::string& wantText) {
    try {
        CheckException(nullptr, code);
        ADD_FAILURE() << "no exception for " << code;
    } catch (const E& e) {
        EXPECT_EQ(e.ErrorCode, wantCode) << code;
        if (!wantText.empty()) {
            EXPECT_EQ(e.Message(), wantText) << code;
        }
    } catch (...) {
        ADD_FAILURE() << "wrong exception class for " << code;
    }
}
}  // namespace

TEST(CheckException, RaisesTheMappedClassWithTheNegativeCodeAndTheTableText) {
    ExpectRaises<EBadTriggerHandle>(-5003, -5003, "Bad trigger handle");
    ExpectRaises<ETrigger>(-5001, -5001, "No more trigger slots");
    ExpectRaises<ECommNotOpen>(-2007, -2007, "ie_NOpen - device not open");
    ExpectRaises<ENoPortSelected>(-2011, -2011,
                                  "The ComNumber property of the TKslComPort has not been set");
    ExpectRaises<EBadId>(-2001, -2001, "ie_BadId - Specified comport doesn't exist");
    ExpectRaises<EAlreadyOpen>(-2008, -2008, "ie_Open - device already open");
    ExpectRaises<EPutBlockFail>(-3004, -3004, "Failed to put entire block");
    ExpectRaises<EOutputBufferTooSmall>(-3006, -3006, "Output buffer too small for block");
    ExpectRaises<EBufferIsEmpty>(-3007, -3007, "Buffer is empty");
    ExpectRaises<ENullApi>(-3001, -3001, "No device layer specified");
    ExpectRaises<EBadArgument>(-1002, -1002, "Bad argument passed to function");
    ExpectRaises<EInternal>(-7012, -7012, "");
    ExpectRaises<EProtocol>(-6009, -6009, "");
    ExpectRaises<EModemStatusMismatch>(-4008, -4008, "");
    ExpectRaises<ENotDialing>(-4004, -4004, "");
    ExpectRaises<EFaxPageError>(-8070, -8070, "");
    ExpectRaises<EInvalidPageNumber>(-8053, -8053, "");
    ExpectRaises<ETapiAllocated>(-13801, -13801, "");
    ExpectRaises<ETapiBearerModeUnavail>(-13803, -13803, "");
    ExpectRaises<ETapiCallUnavail>(-13805, -13805, "Call unavailable");
    ExpectRaises<EPortNotAssigned>(-1005, -1005, "ComPort component not assigned");
    ExpectRaises<ETapiLineMapperFailed>(-13864, -13864, "Line mapper failed");
    ExpectRaises<ETapiNoDevice>(-13866, -13866, "No device");
    ExpectRaises<ETapiNoDriver>(-13867, -13867, "No driver");
    ExpectRaises<ETapiNotOwner>(-13870, -13870, "Not owner");
    ExpectRaises<ETapiOperationFailed>(-13872, -13872, "Operation failed");
    ExpectRaises<ETapiReinit>(-13882, -13882, "Reinit failed");
    ExpectRaises<ETapiVoiceNotSupported>(-13935, -13935, "TAPI device does not support voice extensions");
    // An unexpected telephony error keeps its own code and text.
    ExpectRaises<ETapiUnexpected>(-13934, -13934, "Unexpected TAPI error");
    ExpectRaises<ETapiInvalAddress>(-13816, -13816, "");
    ExpectRaises<ETapiInvalParam>(-13850, -13850, "");
    ExpectRaises<ETapiNoMem>(-13868, -13868, "No memory");
    ExpectRaises<ETapiNoMultipleInstance>(-13886, -13886, "");
    ExpectRaises<ETapiBusy>(-13928, -13928, "TAPI already open, dialing or answering");
    ExpectRaises<ETapiGetAddrFail>(-13932, -13932, "Failed to get TAPI address");
    ExpectRaises<ETapiTranslateFail>(-13942, -13942, "");
    ExpectRaises<ERasLoadFail>(-13980, -13980, "");
}

TEST(CheckException, RaisesKeslExceptionWithCodeZeroForUnmappedCodes) {
    for (std::int32_t code : {-1001, -3002, -4009, -5501, -6001, -7009, -7500, -8050, -8500,
                              -13804, -20000}) {
        try {
            CheckException(nullptr, code);
            ADD_FAILURE() << code;
        } catch (const EKSLException& e) {
            EXPECT_EQ(typeid(e), typeid(EKSLException)) << code;
            EXPECT_EQ(e.ErrorCode, 0);
            EXPECT_EQ(e.Message(), "Kesl exception");
        }
    }
}

TEST(CheckException, RaisesTheRuntimeIoErrorsForTheFileAndDeviceRange) {
    try {
        CheckException(nullptr, -161);
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 161);
        EXPECT_EQ(e.Message(), "Device read error");
    }
    try {
        CheckException(nullptr, -7);  // unlisted, still in the range
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 7);
    }
    EXPECT_THROW(CheckException(nullptr, -8), EOutOfMemory);
}

TEST(CheckException, PassesNonNegativeCodesAndNeverRaisesWhileLoading) {
    EXPECT_EQ(CheckException(nullptr, 5), 5);
    EXPECT_EQ(CheckException(nullptr, 0), 0);
    TKslBaseComponent c;
    c.ComponentState = csLoading;
    EXPECT_EQ(CheckException(&c, -5003), -5003);
    c.ComponentState = 0;
    EXPECT_THROW(CheckException(&c, -5003), EBadTriggerHandle);
}

TEST(BaseComponent, VersionIsFixed) {
    TKslBaseComponent c;
    c.SetVersion("x");
    EXPECT_EQ(c.Version(), "v4.07");
}
