// The telephony support that needs no service: history texts, error renumbering and the
// grow-and-retry structure fetch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "serial/KsTapiCore.h"

using namespace talvik;

namespace {

// A structure whose fixed part is Fixed bytes and which needs Needed bytes in all; answers as a
// telephony function does, recording the total size of each call.
struct TFakeStruct {
    TFakeStruct(std::uint32_t fixed, std::uint32_t needed) : Fixed(fixed), Needed(needed) {}
    std::uint32_t Fixed, Needed;
    std::int32_t FailAtCall = 0;  // this call (1-based) fails with "operation failed"
    std::vector<std::uint32_t> Sizes;
    std::int32_t operator()(void* s) {
        auto* w = static_cast<std::uint32_t*>(s);
        Sizes.push_back(w[0]);
        if (static_cast<std::int32_t>(Sizes.size()) == FailAtCall) return static_cast<std::int32_t>(0x80000048);
        if (w[0] < Fixed) return TapiErrStructureTooSmall;
        w[1] = Needed;
        w[2] = std::min(w[0], Needed);
        return 0;
    }
};

TEST(TapiStructFetch, GrowsToTheSizeTheStructureNeeds) {
    // Too small for the fixed part, then 1024 bytes, then exactly the size needed.
    TFakeStruct big{300, 1500};
    std::vector<std::uint32_t> out;
    EXPECT_EQ(FetchTapiStruct(240, std::ref(big), out), 0);
    EXPECT_EQ(big.Sizes, (std::vector<std::uint32_t>{240, 1024, 1500}));
    ASSERT_EQ(out.size() * 4, 1500u);
    EXPECT_EQ(out[0], 1500u);
    EXPECT_EQ(out[2], 1500u);

    // Room for the fixed part but not the strings: one more call of the size needed.
    TFakeStruct small{240, 260};
    EXPECT_EQ(FetchTapiStruct(240, std::ref(small), out), 0);
    EXPECT_EQ(small.Sizes, (std::vector<std::uint32_t>{240, 260}));
    EXPECT_EQ(out[0], 260u);

    // What fits at once is fetched once.
    TFakeStruct fits{36, 36};
    EXPECT_EQ(FetchTapiStruct(36, std::ref(fits), out), 0);
    EXPECT_EQ(fits.Sizes.size(), 1u);
}

TEST(TapiStructFetch, AnyFailureLeavesNothingBehind) {
    for (std::int32_t failAt : {1, 2, 3}) {
        TFakeStruct f{300, 1500};
        f.FailAtCall = failAt;
        std::vector<std::uint32_t> out{1, 2, 3};
        EXPECT_EQ(FetchTapiStruct(240, std::ref(f), out), static_cast<std::int32_t>(0x80000048)) << failAt;
        EXPECT_TRUE(out.empty()) << failAt;
    }
}

TEST(TapiStructFetch, SizesTheServiceMakesUpAreRefusedBeforeAnythingIsAllocated) {
    // A needed size near 4 GB (it would wrap the buffer's size) and one merely absurd.
    for (std::uint32_t needed : {0xFFFFFFFEu, 0x7FFFFFFFu, TapiMaxStructSize + 1}) {
        TFakeStruct wild{240, needed};
        std::vector<std::uint32_t> out{1, 2, 3};
        EXPECT_EQ(FetchTapiStruct(240, std::ref(wild), out), TapiErrOperationFailed) << needed;
        EXPECT_TRUE(out.empty()) << needed;
        EXPECT_EQ(wild.Sizes.size(), 1u) << needed;  // not asked again at that size
    }
    // A structure that rewrote its total beyond the memory it was given is not used.
    std::vector<std::uint32_t> out;
    auto liar = [](void* s) {
        auto* w = static_cast<std::uint32_t*>(s);
        w[0] = 4096;
        w[1] = 240;
        w[2] = 240;
        return 0;
    };
    EXPECT_EQ(FetchTapiStruct(240, liar, out), TapiErrOperationFailed);
    EXPECT_TRUE(out.empty());
    // The largest size believed is still fetched.
    TFakeStruct largest{240, TapiMaxStructSize};
    EXPECT_EQ(FetchTapiStruct(240, std::ref(largest), out), 0);
    EXPECT_EQ(out.size() * 4, TapiMaxStructSize);
}

TEST(TapiCodes, TelephonyErrorsTakeTheLibrarysNumbers) {
    EXPECT_EQ(TapiResultCode(0), 0);
    EXPECT_EQ(TapiResultCode(7), 7);
    EXPECT_EQ(TapiResultCode(static_cast<std::int32_t>(0x80000005)), -13805);
    EXPECT_EQ(TapiResultCode(static_cast<std::int32_t>(0x80000052)), -13882);
    EXPECT_EQ(TapiResultCode(-13931), -13931);
}

TEST(TapiHistory, EachCodeHasItsLine) {
    EXPECT_EQ(TapiLogLine("1.2.2026 10:00", TTapiLogCode::ltapiDial, "0123"), "1.2.2026 10:00 :   dialing 0123\r\n");
    EXPECT_EQ(TapiLogLine("t", TTapiLogCode::ltapiCallFinish, ""), "t : call finished\r\n\r\n");
    EXPECT_EQ(TapiLogLine("t", TTapiLogCode::ltapiNone, ""), "");
    EXPECT_EQ(TapiLogText(TTapiLogCode::ltapiReceivedDigit, ""), "  received digit");
}

}  // namespace
