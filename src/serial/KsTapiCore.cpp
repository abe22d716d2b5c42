// Call history texts, error renumbering and the structure fetch of the telephony support.
#include "serial/KsTapiCore.h"

#include <cstring>

namespace talvik {

std::string TapiLogText(TTapiLogCode Code, const std::string& Number) {
    switch (Code) {
    case TTapiLogCode::ltapiNone: return {};
    case TTapiLogCode::ltapiCallStart: return "call started";
    case TTapiLogCode::ltapiCallFinish: return "call finished\r\n";
    case TTapiLogCode::ltapiDial: return "  dialing " + Number;
    case TTapiLogCode::ltapiAccept: return "  accepting";
    case TTapiLogCode::ltapiAnswer: return "  answering";
    case TTapiLogCode::ltapiConnect: return "  connected";
    case TTapiLogCode::ltapiCancel: return "  cancelled";
    case TTapiLogCode::ltapiDrop: return "  dropped";
    case TTapiLogCode::ltapiBusy: return "  busy";
    case TTapiLogCode::ltapiDialFail: return "  dial failed";
    case TTapiLogCode::ltapiReceivedDigit: return "  received digit";
    }
    return {};
}

std::string TapiLogLine(const std::string& Stamp, TTapiLogCode Code, const std::string& Number) {
    if (Code == TTapiLogCode::ltapiNone) return {};
    return Stamp + " : " + TapiLogText(Code, Number) + "\r\n";
}

std::int32_t TapiResultCode(std::int32_t TapiResult) {
    const std::uint32_t r = static_cast<std::uint32_t>(TapiResult);
    if ((r & 0xFFFF0000u) != 0x80000000u) return TapiResult;
    return -(13800 + static_cast<std::int32_t>(r & 0x7FFFFFFFu));
}

namespace {

// A zero-filled buffer of at least Size bytes with its total-size word set.
void Allocate(std::vector<std::uint32_t>& buf, std::uint32_t size) {
    buf.assign((size + 3) / 4, 0);
    buf[0] = size;
}

}  // namespace

std::int32_t FetchTapiStruct(std::uint32_t FirstSize, const std::function<std::int32_t(void* Struct)>& Call,
                             std::vector<std::uint32_t>& Out) {
    if (FirstSize < 12) FirstSize = 12;
    Allocate(Out, FirstSize);
    std::int32_t r = Call(Out.data());
    if (r == TapiErrStructureTooSmall) {
        Allocate(Out, TapiRetrySize);
        r = Call(Out.data());
    }
    if (r != 0) {
        Out.clear();
        return r;
    }
    // The sizes come from the service: a wild one must neither size a buffer nor leave a
    // structure whose offsets point past the memory it has.
    const std::uint32_t have = static_cast<std::uint32_t>(Out.size() * 4);
    const std::uint32_t needed = Out[1];
    if (Out[0] > have || needed > TapiMaxStructSize) {
        Out.clear();
        return TapiErrOperationFailed;
    }
    if (needed > Out[0]) {
        Allocate(Out, needed);
        r = Call(Out.data());
        if (r == 0 && Out[0] > static_cast<std::uint32_t>(Out.size() * 4)) r = TapiErrOperationFailed;
        if (r != 0) Out.clear();
    }
    return r;
}

}  // namespace talvik
