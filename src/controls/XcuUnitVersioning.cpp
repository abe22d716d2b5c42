// The unit version registry, the shared block that makes it one per process, and the unit
// registration protocol.
#include "controls/XcuUnitVersioning.h"

#include <cstring>
#include <stdexcept>

namespace talvik {

// ---- module and registry lists

int TUnitVersioningModule::IndexOfInfo(const TUnitVersionInfo* info) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->Info() == info) return static_cast<int>(i);
    return -1;
}

int TUnitVersioningModule::Add(const TUnitVersionInfo* info) {
    items_.push_back(std::make_unique<TUnitVersion>(info));
    return static_cast<int>(items_.size()) - 1;
}

const TUnitVersion& TUnitVersioningModule::Item(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
    return *items_[static_cast<size_t>(index)];
}

int TUnitVersioning::Add(TModuleHandle instance, const TUnitVersionInfo* info) {
    // Every answer is the record's position + 1, so a successful registration is never 0
    // (the first record of a new module would otherwise answer its position, 0).
    for (auto& m : modules_) {
        if (m->Instance() != instance) continue;
        int pos = m->IndexOfInfo(info);
        if (pos >= 0) return pos + 1;
        return m->Add(info) + 1;
    }
    modules_.push_back(std::make_unique<TUnitVersioningModule>(instance));
    return modules_.back()->Add(info) + 1;
}

void TUnitVersioning::UnregisterModule(TModuleHandle instance) {
    for (size_t i = modules_.size(); i-- > 0;) {
        if (modules_[i]->Instance() == instance) {
            modules_.erase(modules_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    for (auto& o : observers_) o(instance);
}

const TUnitVersioningModule& TUnitVersioning::Module(int index) const {
    if (index < 0 || index >= ModuleCount()) throw std::out_of_range("List index out of bounds");
    return *modules_[static_cast<size_t>(index)];
}

const TUnitVersioningModule* TUnitVersioning::FindModule(TModuleHandle instance) const {
    for (auto& m : modules_)
        if (m->Instance() == instance) return m.get();
    return nullptr;
}

// ---- shared block

namespace {

std::uint32_t ReadU32(std::uintptr_t base, std::size_t off) {
    std::uint32_t v;
    std::memcpy(&v, reinterpret_cast<const void*>(base + off), sizeof v);
    return v;
}

void WriteU32(std::uintptr_t base, std::size_t off, std::uint32_t v) {
    std::memcpy(reinterpret_cast<void*>(base + off), &v, sizeof v);
}

constexpr std::size_t kPid1 = 0, kSig1 = 4, kName = 8, kRefCount = 264, kPid2 = 272, kSig2 = 276;

bool BlockMatches(std::uintptr_t base, std::uint32_t pid, const std::string& name) {
    if (ReadU32(base, kPid1) != (pid ^ kSharedBlockPidXor1)) return false;
    if (ReadU32(base, kSig1) != kSharedBlockSignature1) return false;
    if (ReadU32(base, kPid2) != (pid ^ kSharedBlockPidXor2)) return false;
    if (ReadU32(base, kSig2) != kSharedBlockSignature2) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(base + kName);
    return p[0] == name.size() && std::memcmp(p + 1, name.data(), name.size()) == 0;
}

}  // namespace

bool FindSharedUnitVersionBlock(TSharedBlockMemory& mem, const std::string& name, TSharedBlock& block) {
    const std::string shortName = name.substr(0, 255);
    const std::uint32_t page = mem.PageSize();
    const std::uintptr_t highest = mem.HighestUserAddress();
    const std::uint32_t pid = mem.ProcessId();
    for (int k = 0; k < kSharedBlockTries; ++k) {
        std::uintptr_t candidate = ((highest / 65536) - static_cast<std::uintptr_t>(k)) * 65536;
        if (page) candidate -= candidate % page;
        std::uintptr_t got = mem.ReserveAndCommit(candidate, page);
        if (got == candidate) {
            WriteU32(got, kPid1, pid ^ kSharedBlockPidXor1);
            WriteU32(got, kSig1, kSharedBlockSignature1);
            auto* p = reinterpret_cast<unsigned char*>(got + kName);
            p[0] = static_cast<unsigned char>(shortName.size());
            std::memcpy(p + 1, shortName.data(), shortName.size());
            WriteU32(got, kRefCount, 1);
            WriteU32(got, kPid2, pid ^ kSharedBlockPidXor2);
            WriteU32(got, kSig2, kSharedBlockSignature2);
            void* none = nullptr;
            std::memcpy(reinterpret_cast<void*>(got + kSharedBlockDataOffset), &none, sizeof none);
            block.Base = got;
            block.Data = reinterpret_cast<void**>(got + kSharedBlockDataOffset);
            block.RefCount = 1;
            return true;
        }
        if (got != 0) {
            mem.Release(got);
            continue;
        }
        std::size_t size = mem.ReadWriteRegionSize(candidate);
        if (size >= kSharedBlockDataOffset && BlockMatches(candidate, pid, shortName)) {
            std::int32_t refs = static_cast<std::int32_t>(ReadU32(candidate, kRefCount)) + 1;
            WriteU32(candidate, kRefCount, static_cast<std::uint32_t>(refs));
            block.Base = candidate;
            block.Data = reinterpret_cast<void**>(candidate + kSharedBlockDataOffset);
            block.RefCount = refs;
            return true;
        }
    }
    return false;
}

std::int32_t ReleaseSharedUnitVersionBlock(TSharedBlockMemory& mem, const TSharedBlock& block) {
    std::int32_t refs = static_cast<std::int32_t>(ReadU32(block.Base, kRefCount)) - 1;
    WriteU32(block.Base, kRefCount, static_cast<std::uint32_t>(refs));
    if (refs <= 0) mem.Release(block.Base);
    return refs;
}

// ---- the module's registry access

TUnitVersioning* TUnitVersioningAccess::Get() {
    if (!registry_) {
        if (mem_ && FindSharedUnitVersionBlock(*mem_, "UnitVersioning", block_)) {
            if (*block_.Data && block_.RefCount != 1) {
                registry_ = static_cast<TUnitVersioning*>(*block_.Data);
            } else {
                owned_ = std::make_unique<TUnitVersioning>();
                registry_ = owned_.get();
                *block_.Data = registry_;
                created_ = true;
            }
        } else {
            block_ = {};
            owned_ = std::make_unique<TUnitVersioning>();
            registry_ = owned_.get();
            created_ = true;
        }
    } else if (block_.Data) {
        if (*block_.Data) {
            registry_ = static_cast<TUnitVersioning*>(*block_.Data);
        } else if (!created_) {
            // The creating module has gone and taken its registry along: this module takes
            // over with a fresh one rather than use a freed object.
            owned_ = std::make_unique<TUnitVersioning>();
            registry_ = owned_.get();
            *block_.Data = registry_;
            created_ = true;
        }
    }
    return registry_;
}

void TUnitVersioningAccess::Finalize() {
    if (!registry_) return;
    try {
        if (block_.Data) {
            bool othersHold = ReadU32(block_.Base, kRefCount) > 1;
            if (created_ && othersHold && *block_.Data == registry_) *block_.Data = nullptr;
            ReleaseSharedUnitVersionBlock(*mem_, block_);
        }
        owned_.reset();
    } catch (...) {
        // Shut-down goes on whatever the release ran into.
    }
    block_ = {};
    registry_ = nullptr;
    created_ = false;
}

void RegisterUnitVersionInfo(TModuleHandle instance, const TUnitVersionInfo* info) {
    if (TUnitVersioning* r = UnitVersioningAccess().Get()) r->Add(instance, info);
}

void UnregisterModuleUnitVersions(TModuleHandle instance) {
    if (TUnitVersioning* r = UnitVersioningAccess().Get()) r->UnregisterModule(instance);
}

TUnitVersionInfo MakeUnitVersion(const std::string& sourceFile, const std::string& logPath) {
    return TUnitVersionInfo{"$URL: talvik/src/controls/" + sourceFile + " $", "$Revision: 1 $",
                            "$Date: 2026-12-07 00:00:00 +0000 (Mon, 07 Dec 2026) $", logPath, "", nullptr};
}

TUnitVersionRegistration XcuUnitVersioningUnit(MakeUnitVersion("XcuUnitVersioning.cpp", "XCU\\source\\windows"));

void TUnitVersionRegistration::Initialize() {
    if (counter_-- == 0) RegisterUnitVersionInfo(ThisModule(), &info_);
}

void TUnitVersionRegistration::Finalize() {
    if (++counter_ == 0) UnregisterModuleUnitVersions(ThisModule());
}

}  // namespace talvik
