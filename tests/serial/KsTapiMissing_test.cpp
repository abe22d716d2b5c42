// A telephony library that is missing, or lacks entry points. Run twice: beside the partial
// provider (TALVIK_EXPECT_TAPI=partial: no lineMakeCall, no lineGetCallStatus) and with TAPI32
// switched off in Wine (TALVIK_EXPECT_TAPI=missing).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "TapiRig.h"
#include "serial/KsExcept.h"
#include "serial/KsTUtil.h"
#include "serial/KsTapi.h"

using namespace talvik;
using namespace talvik::test;

namespace {

// The run's word; a case of a run without a known one fails.
bool Partial() {
    const char* e = std::getenv("TALVIK_EXPECT_TAPI");
    const std::string word = e ? e : "";
    EXPECT_TRUE(word == "partial" || word == "missing")
        << "TALVIK_EXPECT_TAPI must be partial or missing; the run has " << (e ? "=" + word : std::string("it unset"));
    return word == "partial";
}

TEST(TapiMissing, WrappersAndHelpersGiveTheirCodeAndDialRaisesIt) {
    TTapiRig rig;
    rig.Scenario("devices=Fake Modem\nport=44\n");
    const LONG want = Partial() ? -13932 : -13931;
    EXPECT_EQ(LoadTapi(), Partial());
    HLINEAPP app = 0;
    DWORD count = 0;
    const LONG init = talvik::lineInitialize(&app, GetModuleHandleW(nullptr), nullptr, "", &count);
    if (Partial()) {
        EXPECT_EQ(init, 0);
        EXPECT_EQ(TapiEntry("lineMakeCall"), nullptr);
        EXPECT_NE(TapiEntry("lineDrop"), nullptr);
        HCALL call = 0;
        EXPECT_EQ(talvik::lineMakeCall(0, &call, "1", 0, nullptr), want);
        talvik::lineShutdown(app);
    } else {
        EXPECT_EQ(init, want);
        EXPECT_EQ(talvik::lineShutdown(app), want);
        TTapiStruct<LINEDEVCAPS> caps;
        EXPECT_EQ(GetDevCaps(0, 0, 0x10004, 0, caps), want);
        EXPECT_FALSE(caps);
    }
    TTapiStruct<LINECALLSTATUS> status;
    EXPECT_EQ(GetCallStatus(1, status), want);
    EXPECT_FALSE(status);

    TKslComPort port;
    TKslTapiDevice device;
    device.SetComPort(&port);
    device.SetSelectedDevice("Fake Modem");
    int fails = 0;
    device.OnTapiFail = [&](TKslCustomTapiDevice*) { ++fails; };
    try {
        device.Dial("1");
        ADD_FAILURE() << "no exception";
    } catch (const EKSLException& e) {
        EXPECT_EQ(e.ErrorCode, want);
        EXPECT_EQ(e.Message(), Partial() ? "Failed to get TAPI address" : "Failed to find/load TAPI.DLL");
    }
    EXPECT_FALSE(device.LineIsOpen());
    EXPECT_FALSE(device.RetryIsPending());
    EXPECT_FALSE(port.GetOpen());
}

}  // namespace
