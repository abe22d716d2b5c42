// Unit version records: every unit of the controls library carries one constant record and,
// while the program runs, lists it in a process-wide registry keyed by the module that holds
// the unit. A small shared memory block at a fixed place near the top of the user address
// space lets every module of the process find the one registry.
//
// Pure logic: the memory calls are reached through TSharedBlockMemory, which the Win32 build
// implements with the system's virtual-memory calls and tests replace with a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvik {

// A module handle (the executable or a library) as the registry sees it.
using TModuleHandle = const void*;

// One unit's constant record; the registry stores a pointer to it, never a copy.
struct TUnitVersionInfo {
    std::string SourceUrl;  // "$URL: ... $"
    std::string Revision;   // "$Revision: n $"
    std::string Date;       // "$Date: ... $"
    std::string LogPath;    // the library folder of the unit
    std::string Extra;
    const void* Data = nullptr;
};

class TUnitVersion {
public:
    explicit TUnitVersion(const TUnitVersionInfo* info) : info_(info) {}
    const TUnitVersionInfo* Info() const { return info_; }

private:
    const TUnitVersionInfo* info_;
};

class TUnitVersioningModule {
public:
    explicit TUnitVersioningModule(TModuleHandle instance) : instance_(instance) {}
    TModuleHandle Instance() const { return instance_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Position of the record, or -1.
    int IndexOfInfo(const TUnitVersionInfo* info) const;
    // Returns the position of the new record.
    int Add(const TUnitVersionInfo* info);
    const TUnitVersion& Item(int index) const;

private:
    TModuleHandle instance_;
    std::vector<std::unique_ptr<TUnitVersion>> items_;
};

class TUnitVersioning {
public:
    // Told the handle of every module that is removed.
    using Observer = std::function<void(TModuleHandle)>;

    // Lists the record under the module; answers the record's position + 1 (never 0).
    int Add(TModuleHandle instance, const TUnitVersionInfo* info);
    // Removes the module with all its records; unknown modules change nothing.
    void UnregisterModule(TModuleHandle instance);

    int ModuleCount() const { return static_cast<int>(modules_.size()); }
    const TUnitVersioningModule& Module(int index) const;
    // The module entry of a handle, or null.
    const TUnitVersioningModule* FindModule(TModuleHandle instance) const;
    void AddObserver(Observer o) { observers_.push_back(std::move(o)); }

private:
    std::vector<std::unique_ptr<TUnitVersioningModule>> modules_;
    std::vector<Observer> observers_;
};

// The platform's memory calls that the shared block needs.
class TSharedBlockMemory {
public:
    virtual ~TSharedBlockMemory() = default;
    virtual std::uint32_t PageSize() = 0;
    virtual std::uintptr_t HighestUserAddress() = 0;
    virtual std::uint32_t ProcessId() = 0;
    // Reserves and commits one read-write page at exactly `address` if it can: answers the
    // address the system gave (which may be another one), or 0 when it refused.
    virtual std::uintptr_t ReserveAndCommit(std::uintptr_t address, std::size_t size) = 0;
    virtual void Release(std::uintptr_t address) = 0;
    // Size of the region at `address` when it is committed, readable and writable; 0 otherwise.
    virtual std::size_t ReadWriteRegionSize(std::uintptr_t address) = 0;
};

// Layout of the shared block.
constexpr std::uint32_t kSharedBlockPidXor1 = 0x23456789;
constexpr std::uint32_t kSharedBlockSignature1 = 0xABCDEF01;
constexpr std::uint32_t kSharedBlockPidXor2 = 0x10FEDCBA;
constexpr std::uint32_t kSharedBlockSignature2 = 0x98765432;
constexpr std::size_t kSharedBlockDataOffset = 280;
constexpr int kSharedBlockTries = 21;

struct TSharedBlock {
    std::uintptr_t Base = 0;        // start of the page
    void** Data = nullptr;          // the registry pointer at offset 280
    std::int32_t RefCount = 0;      // after this module's use was counted
};

// Finds or places the process's block of that name; false when 21 tries find no place.
bool FindSharedUnitVersionBlock(TSharedBlockMemory& mem, const std::string& name, TSharedBlock& block);
// Counts one user less; frees the page at 0. Answers the count left.
std::int32_t ReleaseSharedUnitVersionBlock(TSharedBlockMemory& mem, const TSharedBlock& block);

// The module's view of the registry: finds or creates the process's registry on first use and
// releases it at the end of the library. One instance per module (the library keeps one).
class TUnitVersioningAccess {
public:
    explicit TUnitVersioningAccess(TSharedBlockMemory* mem) : mem_(mem) {}
    ~TUnitVersioningAccess() { Finalize(); }
    TUnitVersioningAccess(const TUnitVersioningAccess&) = delete;
    TUnitVersioningAccess& operator=(const TUnitVersioningAccess&) = delete;

    TUnitVersioning* Get();
    bool CreatedRegistry() const { return created_; }
    bool UsesSharedBlock() const { return block_.Data != nullptr; }
    // The release at the end of the library; failures are dropped so shut-down goes on.
    void Finalize();

private:
    TSharedBlockMemory* mem_;
    TUnitVersioning* registry_ = nullptr;
    std::unique_ptr<TUnitVersioning> owned_;
    TSharedBlock block_;
    bool created_ = false;
};

// The library's registry access (the platform's memory on Win32, a private registry natively).
TUnitVersioningAccess& UnitVersioningAccess();

void RegisterUnitVersionInfo(TModuleHandle instance, const TUnitVersionInfo* info);
void UnregisterModuleUnitVersions(TModuleHandle instance);

// The module handle of the code that calls it (the executable: the library is linked in).
TModuleHandle ThisModule();

// The record of one of the library's source files in the given library folder.
TUnitVersionInfo MakeUnitVersion(const std::string& sourceFile, const std::string& logPath);

// The start-up and shut-down protocol of one unit: the first initialisation registers the
// record, the finalisation that brings the counter back to 0 removes the whole module.
class TUnitVersionRegistration {
public:
    explicit TUnitVersionRegistration(TUnitVersionInfo info) : info_(std::move(info)) {}
    void Initialize();
    void Finalize();
    const TUnitVersionInfo& Info() const { return info_; }

private:
    const TUnitVersionInfo info_;
    int counter_ = 0;
};

extern TUnitVersionRegistration XcuUnitVersioningUnit;

}  // namespace talvik
