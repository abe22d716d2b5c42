// The registry's platform side on Win32: the shared block lives in a page placed with the
// system's virtual-memory calls near the top of the user address space.
#include <windows.h>

#include "controls/XcuUnitVersioning.h"

namespace talvik {

namespace {

class TWin32BlockMemory : public TSharedBlockMemory {
public:
    std::uint32_t PageSize() override {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        return si.dwPageSize;
    }
    std::uintptr_t HighestUserAddress() override {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        return reinterpret_cast<std::uintptr_t>(si.lpMaximumApplicationAddress);
    }
    std::uint32_t ProcessId() override { return GetCurrentProcessId(); }
    std::uintptr_t ReserveAndCommit(std::uintptr_t address, std::size_t size) override {
        return reinterpret_cast<std::uintptr_t>(VirtualAlloc(reinterpret_cast<void*>(address), size,
                                                             MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    void Release(std::uintptr_t address) override { VirtualFree(reinterpret_cast<void*>(address), 0, MEM_RELEASE); }
    std::size_t ReadWriteRegionSize(std::uintptr_t address) override {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!VirtualQuery(reinterpret_cast<void*>(address), &mbi, sizeof mbi)) return 0;
        if (mbi.State != MEM_COMMIT || mbi.Protect != PAGE_READWRITE) return 0;
        return mbi.RegionSize;
    }
};

}  // namespace

TUnitVersioningAccess& UnitVersioningAccess() {
    static TWin32BlockMemory memory;
    static TUnitVersioningAccess access(&memory);
    return access;
}

TModuleHandle ThisModule() { return GetModuleHandleW(nullptr); }

}  // namespace talvik
