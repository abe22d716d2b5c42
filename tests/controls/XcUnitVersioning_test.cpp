// The unit version registry and its shared block, over a fake address space whose candidate
// pages can be free, taken by foreign memory, or handed out elsewhere by the "system".
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "controls/XcuUnitVersioning.h"

using namespace talvik;

namespace {

// 22 slots of 64 KiB of real memory; the 21 candidate addresses fall on slots 21 down to 1.
class FakeMemory : public TSharedBlockMemory {
public:
    enum class Slot { Free, Ours, Foreign, Elsewhere };
    FakeMemory() {
        arena_ = static_cast<unsigned char*>(std::aligned_alloc(65536, kSize));
        std::memset(arena_, 0, kSize);
    }
    ~FakeMemory() override { std::free(arena_); }
    std::uintptr_t Base() const { return reinterpret_cast<std::uintptr_t>(arena_); }
    std::uintptr_t Candidate(int k) const { return Base() + static_cast<std::uintptr_t>(21 - k) * 65536; }
    void Set(int k, Slot s) { slots_[Candidate(k)] = s; }
    Slot At(int k) { return slots_[Candidate(k)]; }
    int releases = 0;

    std::uint32_t PageSize() override { return 4096; }
    std::uintptr_t HighestUserAddress() override { return Base() + 21 * 65536 + 65535; }
    std::uint32_t ProcessId() override { return 4242; }
    std::uintptr_t ReserveAndCommit(std::uintptr_t a, std::size_t) override {
        Slot& s = slots_[a];
        if (s == Slot::Elsewhere) return Base();  // the system picked another place
        if (s != Slot::Free) return 0;
        s = Slot::Ours;
        std::memset(reinterpret_cast<void*>(a), 0, 4096);
        return a;
    }
    void Release(std::uintptr_t a) override {
        ++releases;
        if (a != Base()) slots_[a] = Slot::Free;
    }
    std::size_t ReadWriteRegionSize(std::uintptr_t a) override {
        Slot s = slots_[a];
        if (s == Slot::Foreign) {
            std::memset(reinterpret_cast<void*>(a), 0x5A, 4096);  // someone else's data
            return 4096;
        }
        return s == Slot::Ours ? 4096 : 0;
    }

private:
    static constexpr std::size_t kSize = 22 * 65536;
    unsigned char* arena_;
    std::map<std::uintptr_t, Slot> slots_;
};

const TUnitVersionInfo kA = MakeUnitVersion("A.cpp", "XCL\\run");
const TUnitVersionInfo kB = MakeUnitVersion("B.cpp", "XCL\\run");
int moduleX, moduleY;

TEST(UnitVersioning, RecordsAreKeptOncePerModuleAndAnswersAreNeverZero) {
    TUnitVersioning r;
    EXPECT_EQ(r.Add(&moduleX, &kA), 1);
    EXPECT_EQ(r.Add(&moduleX, &kA), 1);  // the same record again: stored once
    EXPECT_EQ(r.Add(&moduleX, &kB), 2);
    EXPECT_EQ(r.Add(&moduleY, &kB), 1);
    ASSERT_EQ(r.ModuleCount(), 2);
    EXPECT_EQ(r.FindModule(&moduleX)->Count(), 2);
    EXPECT_EQ(r.FindModule(&moduleX)->IndexOfInfo(&kB), 1);
    EXPECT_EQ(r.FindModule(&moduleX)->Item(0).Info()->SourceUrl, "$URL: talvik/src/controls/A.cpp $");
    EXPECT_EQ(r.FindModule(&moduleY)->IndexOfInfo(&kA), -1);
}

TEST(UnitVersioning, RemovingAModuleTellsObserversAndUnknownModulesChangeNothing) {
    TUnitVersioning r;
    std::vector<TModuleHandle> told;
    r.AddObserver([&](TModuleHandle h) { told.push_back(h); });
    r.Add(&moduleX, &kA);
    r.Add(&moduleY, &kA);
    r.UnregisterModule(&told);  // never registered
    EXPECT_EQ(r.ModuleCount(), 2);
    r.UnregisterModule(&moduleX);
    ASSERT_EQ(r.ModuleCount(), 1);
    EXPECT_EQ(r.Module(0).Instance(), &moduleY);
    EXPECT_EQ(told, (std::vector<TModuleHandle>{&told, &moduleX}));
}

TEST(UnitVersioning, SharedBlockIsWrittenAtTheFirstCandidateWithItsLayout) {
    FakeMemory mem;
    TSharedBlock b;
    ASSERT_TRUE(FindSharedUnitVersionBlock(mem, "UnitVersioning", b));
    EXPECT_EQ(b.Base, mem.Candidate(0));
    EXPECT_EQ(b.RefCount, 1);
    auto u32 = [&](size_t off) {
        std::uint32_t v;
        std::memcpy(&v, reinterpret_cast<void*>(b.Base + off), 4);
        return v;
    };
    EXPECT_EQ(u32(0), 4242u ^ 0x23456789u);
    EXPECT_EQ(u32(4), 0xABCDEF01u);
    EXPECT_EQ(*reinterpret_cast<unsigned char*>(b.Base + 8), 14);
    EXPECT_EQ(std::memcmp(reinterpret_cast<void*>(b.Base + 9), "UnitVersioning", 14), 0);
    EXPECT_EQ(u32(264), 1u);
    EXPECT_EQ(u32(272), 4242u ^ 0x10FEDCBAu);
    EXPECT_EQ(u32(276), 0x98765432u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.Data), b.Base + 280);
}

TEST(UnitVersioning, TwoModulesShareOneRegistryThroughTheBlock) {
    FakeMemory mem;
    mem.Set(0, FakeMemory::Slot::Foreign);    // taken by memory that is not ours
    mem.Set(1, FakeMemory::Slot::Elsewhere);  // the system answers with another address
    TUnitVersioningAccess exe(&mem), dll(&mem);
    TUnitVersioning* r1 = exe.Get();
    EXPECT_TRUE(exe.UsesSharedBlock());
    EXPECT_TRUE(exe.CreatedRegistry());
    EXPECT_EQ(mem.At(2), FakeMemory::Slot::Ours);
    EXPECT_EQ(mem.releases, 1);  // the page handed out elsewhere went back
    EXPECT_EQ(exe.Get(), r1);    // a second lookup in the same module: the same object
    TUnitVersioning* r2 = dll.Get();
    EXPECT_EQ(r2, r1);
    EXPECT_FALSE(dll.CreatedRegistry());
    r1->Add(&moduleX, &kA);
    r2->Add(&moduleY, &kB);
    EXPECT_EQ(r1->ModuleCount(), 2);

    // The creating module ends first: the block forgets its registry, the other module then
    // goes on with a fresh one instead of the freed object.
    exe.Finalize();
    EXPECT_EQ(mem.At(2), FakeMemory::Slot::Ours);
    TUnitVersioning* r3 = dll.Get();
    ASSERT_NE(r3, nullptr);
    EXPECT_EQ(r3->ModuleCount(), 0);
    dll.Finalize();
    EXPECT_EQ(mem.At(2), FakeMemory::Slot::Free);  // the last user freed the page
}

TEST(UnitVersioning, WithEveryCandidateTakenTheModuleUsesAPrivateRegistry) {
    FakeMemory mem;
    for (int k = 0; k < 21; ++k) mem.Set(k, FakeMemory::Slot::Foreign);
    TSharedBlock b;
    EXPECT_FALSE(FindSharedUnitVersionBlock(mem, "UnitVersioning", b));
    TUnitVersioningAccess access(&mem);
    TUnitVersioning* r = access.Get();
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(access.UsesSharedBlock());
    EXPECT_EQ(r->Add(&moduleX, &kA), 1);
    EXPECT_EQ(access.Get(), r);
}

TEST(UnitVersioning, UnitProtocolRegistersOnceAndRemovesTheModuleAtTheEnd) {
    TUnitVersionRegistration a(MakeUnitVersion("P.cpp", "XCL\\run"));
    TUnitVersionRegistration b(MakeUnitVersion("Q.cpp", "XCL\\run"));
    TUnitVersioning* r = UnitVersioningAccess().Get();
    a.Initialize();
    a.Initialize();  // a second initialisation does not register again
    b.Initialize();
    const TUnitVersioningModule* m = r->FindModule(ThisModule());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->IndexOfInfo(&a.Info()), 0);
    EXPECT_EQ(m->IndexOfInfo(&b.Info()), 1);
    b.Finalize();  // the first finalisation takes the whole module away
    EXPECT_EQ(r->FindModule(ThisModule()), nullptr);
    a.Finalize();
    a.Finalize();
    EXPECT_EQ(r->FindModule(ThisModule()), nullptr);
}

}  // namespace
