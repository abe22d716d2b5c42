// The process-wide lock.
#include "controls/XcuSysUtils.h"

#include <cstring>

namespace talvik {

TUnitVersionRegistration XcuSysUtilsUnit(MakeUnitVersion("XcuSysUtils.cpp", "XCU\\source\\windows"));

std::uint32_t TXcuIntfCriticalSection::QueryInterface(const char* iid, void** obj) {
    // Only the basic interface itself is offered.
    if (iid && std::strcmp(iid, "{00000000-0000-0000-C000-000000000046}") == 0) {
        *obj = static_cast<IXcUnknown*>(this);
        return 0;
    }
    if (obj) *obj = nullptr;
    return E_NOINTERFACE_CODE;
}

std::uint32_t TXcuIntfCriticalSection::AddRef() {
    cs_.lock();
    return 0;
}

std::uint32_t TXcuIntfCriticalSection::Release() {
    cs_.unlock();
    return 0;
}

IXcUnknown* GlobalCriticalSection() {
    static TXcuIntfCriticalSection* cs = new TXcuIntfCriticalSection();  // lives to the end
    return cs;
}

}  // namespace talvik
