// The library's process-wide lock. Holding a reference to the lock's interface is holding the
// lock: taking the reference enters the critical section, dropping it leaves it.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include <cstdint>
#include <mutex>

namespace talvik {

constexpr std::uint32_t E_NOINTERFACE_CODE = 0x80004002;

// The basic interface: query, add reference, release.
class IXcUnknown {
public:
    virtual std::uint32_t QueryInterface(const char* iid, void** obj) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IXcUnknown() = default;
};

// Never freed by reference counting; AddRef enters, Release leaves, both answer 0.
class TXcuIntfCriticalSection : public IXcUnknown {
public:
    std::uint32_t QueryInterface(const char* iid, void** obj) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

private:
    std::recursive_mutex cs_;
};

// An interface variable: holds the lock for its lifetime.
class TXcLockRef {
public:
    explicit TXcLockRef(IXcUnknown* i) : i_(i) {
        if (i_) i_->AddRef();
    }
    ~TXcLockRef() {
        if (i_) i_->Release();
    }
    TXcLockRef(const TXcLockRef&) = delete;
    TXcLockRef& operator=(const TXcLockRef&) = delete;

private:
    IXcUnknown* i_;
};

// The process-wide lock, created on first use.
IXcUnknown* GlobalCriticalSection();

extern TUnitVersionRegistration XcuSysUtilsUnit;

}  // namespace talvik
