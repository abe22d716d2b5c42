// The data model: register tables, the address order of every request kind, model decoding,
// voltage scaling, tenths formatting and the registry migration rule.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvUtility.h"
#include "link/uLog.h"
#include "link/uVar.h"

using namespace talvik;

namespace {

std::vector<int> ReadOrder(int kind, int count) {
    DataKind = kind;
    std::vector<int> order;
    for (ReadNum = count; ReadNum >= 1; --ReadNum) order.push_back(readaddr());
    return order;
}

class Model : public ::testing::Test {
protected:
    void SetUp() override { ResetLinkState(); }
};

}  // namespace

TEST_F(Model, EquateTableMapsTheIndexesTheProgramUses) {
    const std::map<int, int> used = {{0, 0},     {12, 12},   {13, 14},   {22, 23},   {23, 30},   {25, 32},
                                     {26, 33},   {43, 50},   {86, 93},   {87, 94},   {94, 101},  {120, 127},
                                     {121, 129}, {132, 159}, {133, 180}, {135, 182}, {146, 193}, {156, 203},
                                     {160, 207}, {166, 213}, {170, 217}, {174, 221}, {192, 239}, {193, 141},
                                     {194, 64},  {195, 0}};
    for (auto [index, address] : used) EXPECT_EQ(EquateAddress[index], address) << "index " << index;
    EXPECT_EQ(RegisterMnemonics.size(), 94u);
    EXPECT_STREQ(RegisterMnemonics[0], "batv");
    EXPECT_STREQ(RegisterMnemonics[30], " outLoad");
    EXPECT_STREQ(RegisterMnemonics[93], "eoff");
    EXPECT_EQ(HistoryPageAddress[43], 299);
    EXPECT_EQ(HistoryPageAddress[45], 301);
    EXPECT_EQ(HistoryPageAddress[46], 302);
    EXPECT_EQ(BaudRates[3], 9600);
    EXPECT_STREQ(BaudRateText[0], "300");
}

TEST_F(Model, KindCountsAndOutOfRangeKinds) {
    const std::map<int, int> counts = {{2, 22}, {3, 11}, {4, 9}, {5, 12}, {6, 5},
                                       {7, 13}, {8, 10}, {9, 14}, {10, 215}, {11, 21}};
    for (auto [kind, n] : counts) EXPECT_EQ(KindCount(kind), n);
    EXPECT_THROW(KindCount(1), ERangeError);
    EXPECT_THROW(KindCount(12), ERangeError);
}

TEST_F(Model, TableKindsReadTheirLastEntryFirst) {
    const auto kind2 = ReadOrder(2, 22);
    EXPECT_EQ(kind2.front(), 221);
    EXPECT_EQ(kind2.back(), 0);
    EXPECT_EQ(ReadOrder(3, 11), (std::vector<int>{50, 184, 115, 98, 96, 95, 63, 53, 48, 37, 21}));
    EXPECT_EQ(ReadOrder(6, 5), (std::vector<int>{72, 94, 78, 89, 88}));
    EXPECT_EQ(ReadOrder(9, 14).front(), 239);
    EXPECT_EQ(ReadOrder(11, 21).front(), 276);
    EXPECT_EQ(ReadOrder(11, 21).back(), 256);
    DataKind = 2;
    ReadNum = 23;
    EXPECT_THROW(readaddr(), ERangeError);
    ReadNum = 0;
    EXPECT_THROW(readaddr(), ERangeError);
}

TEST_F(Model, HistoryKindsFollowTheDayPointerRing) {
    RegImage[301] = 0;
    auto order = ReadOrder(10, 215);
    EXPECT_EQ((std::vector<int>(order.begin(), order.begin() + 6)), (std::vector<int>{0, 93, 301, 300, 299, 302}));
    EXPECT_EQ(order[6], 511);
    EXPECT_EQ(order.back(), 303);
    // Every day byte exactly once.
    EXPECT_EQ(std::set<int>(order.begin() + 5, order.end()).size(), 210u);

    RegImage[301] = 29;
    order = ReadOrder(10, 215);
    EXPECT_EQ(order[5], 505);
    EXPECT_EQ(order[5 + 210 - 7], 302);   // n = 7
    EXPECT_EQ(order[5 + 210 - 6], 511);   // n = 6
    EXPECT_EQ(order.back(), 506);

    DataKind = 1;
    ReadNum = 211;
    EXPECT_EQ(readaddr(), 301);
    ReadNum = 1;
    EXPECT_EQ(readaddr(), 302);
}

TEST_F(Model, DayPointerBeyondTheRingIsARangeError) {
    RegImage[301] = 30;
    DataKind = 10;
    ReadNum = 210;
    try {
        readaddr();
        FAIL() << "no error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Range check error");
    }
}

TEST_F(Model, HistoryReadDecodesTheModelWhenItReachesTheVoltageByte) {
    RegImage[0] = 130;  // Ruka
    DataKind = 10;
    ReadNum = 214;
    std::vector<std::string> window;
    DebugEnabled = true;
    SetDebugWindowSink([&](const std::string& l) { window.push_back(l); });
    EXPECT_EQ(readaddr(), 93);
    SetDebugWindowSink({});
    DebugEnabled = false;
    EXPECT_EQ(ModelName, "Ruka");
    EXPECT_NE(std::find(window.begin(), window.end(), "ReadNum: 214; ReadAddress: 93"), window.end());
}

TEST_F(Model, UnknownKindIsAnAssertion) {
    for (int kind : {0, 12}) {
        DataKind = kind;
        ReadNum = 1;
        try {
            readaddr();
            FAIL() << "kind " << kind;
        } catch (const EAssertionFailed& e) {
            EXPECT_NE(std::string(e.what()).find("Invalid Data destination in Read Add"), std::string::npos);
        }
    }
}

TEST_F(Model, ClearDataFlagsClearsTheFiveGroups) {
    for (int k = 4; k <= 8; ++k) KindLoaded[k] = true;
    CalibrationLoaded = true;
    cleardataflags();
    for (int k = 4; k <= 8; ++k) EXPECT_FALSE(KindLoaded[k]);
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_THROW(KindLoaded[3], ERangeError);
    EXPECT_THROW(KindLoaded[9], ERangeError);
}

// ---- model decoding -----------------------------------------------------------------------

namespace {
struct Expect {
    int type;
    const char* name;
    int version;
    int mult, ext;
};
void Decode(int type, int volt = 0) {
    RegImage[0] = static_cast<std::uint8_t>(type);
    RegImage[93] = static_cast<std::uint8_t>(volt);
    DecodeRegulatorType();
}
}  // namespace

TEST_F(Model, ModelTableAtItsBoundaries) {
    const std::vector<Expect> table = {
        {95, "Tova", 31, 1, 1},  {96, "Xal", 1, 1, 1},     {127, "Xal", 32, 1, 1},  {128, "Ruka", 0, 2, 1},
        {191, "Ruka", 31, 2, 1}, {192, "Nesk", 0, 4, 2},   {214, "Nesk", 22, 4, 2}, {215, "Mavo", 23, 4, 2},
        {223, "Mavo", 31, 4, 2}, {224, "Vilk", 0, 1, 2},   {229, "Vilk", 5, 1, 2},  {230, "Tova", 6, 1, 1},
        {239, "Tova", 15, 1, 1}, {240, "Grend", 1, 4, 2},  {249, "Grend", 1, 4, 2}, {250, "Tova", 26, 1, 1},
        {0, "Tova", 0, 1, 1},    {255, "Tova", 31, 1, 1},
    };
    for (const auto& e : table) {
        Decode(e.type, 1);
        EXPECT_EQ(ModelName, e.name) << e.type;
        EXPECT_EQ(ModelVersion, e.version) << e.type;
        EXPECT_EQ(CurrentMultiplier, e.mult) << e.type;
        EXPECT_EQ(CurrentMultiplierExt, e.ext) << e.type;
        EXPECT_EQ(ModelVersionText, std::string(e.name) + " v" + std::to_string(e.version));
    }
}

TEST_F(Model, HighVoltageModelsUseTheirOwnCodesAndThe12VoltScale) {
    Decode(224, 1);
    EXPECT_EQ(VoltageCode, 7);
    EXPECT_EQ(VoltMult, 1);
    Decode(245, 4);
    EXPECT_EQ(ModelVersion, 6);
    EXPECT_EQ(VoltageCode, 7);
    EXPECT_EQ(VoltMult, 1);
    Decode(249, 4);
    EXPECT_EQ(ModelVersion, 1);
    EXPECT_EQ(VoltageCode, 8);
    Decode(248, 0);
    EXPECT_EQ(ModelVersion, 9);
    EXPECT_EQ(VoltageCode, 7);
}

TEST_F(Model, AccessoryVersionsAndNewerFlag) {
    Decode(110);
    EXPECT_EQ(ModelName, "Xal");
    EXPECT_EQ(ModelVersion, 15);
    EXPECT_TRUE(XalNewer);
    Decode(109);
    EXPECT_FALSE(XalNewer);
    Decode(0);
    EXPECT_FALSE(XalNewer);
}

TEST_F(Model, VoltageCodesAndScales) {
    const int mult[] = {1, 2, 8, 3, 4};
    const int div[] = {1, 1, 3, 1, 1};
    for (int code = 0; code <= 4; ++code) {
        Decode(10, 8 + code);  // only the low three bits count
        EXPECT_EQ(VoltageCode, code);
        EXPECT_EQ(VoltMult, mult[code]);
        EXPECT_EQ(VoltDiv, div[code]);
    }
    Decode(10, 14);
    EXPECT_EQ(VoltageCode, 5);
    EXPECT_EQ(VoltMult, 1);
    EXPECT_EQ(VoltDiv, 1);
    std::int32_t m = 0, d = 0;
    VoltageScale(2, m, d);
    EXPECT_EQ(120 * m / d, 320);
    EXPECT_STREQ(VoltageText[8], "136");
}

TEST_F(Model, DerivedVoltagesInTenths) {
    RegImage[221] = 100;
    RegImage[50] = 120;
    for (auto [bits, nDiv] : std::vector<std::pair<int, int>>{{0, 1}, {16, 2}, {32, 4}, {48, 4}}) {
        RegImage[32] = static_cast<std::uint8_t>(bits | 0x0F);
        Decode(10, 2);
        EXPECT_EQ(VoltageTenthsA, 250 * nDiv / 2);
        EXPECT_EQ(VoltageTenthsB, 320);
    }
}

TEST_F(Model, TenthsFormatting) {
    EXPECT_EQ(FormatTenths(123), "12.3");
    EXPECT_EQ(FormatTenths(5), "0.5");
    EXPECT_EQ(FormatTenths(0), "0.0");
    EXPECT_EQ(FormatTenths(10000), "1000.0");
    EXPECT_EQ(FormatTenthsCapped(9999), "999.9");
    EXPECT_EQ(FormatTenthsCapped(9990), "999.0");
    // The cap never shows less than a smaller value does.
    EXPECT_EQ(FormatTenthsCapped(10000), "999.9");
    EXPECT_EQ(FormatTenthsCapped(123456), "999.9");
    EXPECT_EQ(FormatTenthsCapped(57), "5.7");
}

// ---- registry migration ---------------------------------------------------------------------

namespace {
class FakeRegistry : public TRegistryAccess {
public:
    std::set<std::string> Keys;
    std::vector<std::pair<std::string, std::string>> Copies;
    bool KeyExists(const std::string& Key) override { return Keys.count(Key) != 0; }
    void CopyKey(const std::string& From, const std::string& To) override {
        Copies.emplace_back(From, To);
        Keys.insert(To);
    }
};
const std::string NewKey = "Software\\Corvanel\\TALVIK";
}  // namespace

TEST_F(Model, MigrationCopiesTheExistingOldSubkeys) {
    FakeRegistry reg;
    reg.Keys = {"software/talvik", "software/talvik\\Font", "software/talvik\\Settings"};
    MigrateRegistryKeys(NewKey, reg);
    EXPECT_EQ(reg.Copies, (std::vector<std::pair<std::string, std::string>>{
                              {"software/talvik\\Font", NewKey + "\\Font"},
                              {"software/talvik\\Settings", NewKey + "\\Settings"}}));
    EXPECT_TRUE(reg.KeyExists("software/talvik"));
}

TEST_F(Model, MigrationLeavesAnExistingNewKeyAlone) {
    FakeRegistry reg;
    reg.Keys = {"software/talvik", "software/talvik\\Font", "software/talvik\\Phone List", NewKey};
    MigrateRegistryKeys(NewKey, reg);
    EXPECT_TRUE(reg.Copies.empty());
    reg.Keys = {"software/talvikx"};
    MigrateRegistryKeys(NewKey, reg);
    EXPECT_TRUE(reg.Copies.empty());
}
