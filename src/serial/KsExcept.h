// Result-code texts and the serial library's exception classes. Inside the library failures
// travel as negative result codes; only the component surface turns them into exceptions, through
// CheckException, so that the dispatcher and the device threads never raise.
#pragma once

#include <cstdint>
#include <string>

#include "base/rtl.h"
#include "serial/KsMisc.h"

namespace talvik {

// The text of |code| from the code table, cut to 255 characters; empty when the table has none.
// The code is taken as a 16-bit signed value.
std::string ErrorMsg(std::int16_t code);
// ErrorMsg, falling back to the platform's own message text when the table's text is empty.
std::string ErrorText(std::int16_t code);

// The platform's message text for an error number, raw (empty when it has none). Bound per
// platform: FormatMessage on Windows, nothing natively.
std::string SystemErrorText(std::uint32_t code);
// A platform text made fit for one line: control characters become blanks and runs of blanks
// shrink to one (so a text ending in CR LF ends in one blank).
std::string CleanSystemText(std::string text);

// The runtime's I/O error: ErrorCode is the positive error number.
class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, std::int32_t errorCode)
        : Exception(message), ErrorCode(errorCode) {}
    std::int32_t ErrorCode;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

class EKSLException : public Exception {
public:
    // Create: the message is the table text of |code|.
    explicit EKSLException(std::int32_t code, bool = false);
    // CreateUnknown: a message of its own, ErrorCode 0.
    EKSLException(const std::string& message, std::uint8_t) : Exception(message), ErrorCode(0) {}
    std::int32_t ErrorCode;
};

#define KSL_EXCEPTION(Name, Base)     \
    class Name : public Base {        \
    public:                           \
        using Base::Base;             \
    };

KSL_EXCEPTION(EGeneral, EKSLException)
KSL_EXCEPTION(EOpenComm, EKSLException)
KSL_EXCEPTION(ESerialIO, EKSLException)
KSL_EXCEPTION(EModem, EKSLException)
KSL_EXCEPTION(ETrigger, EKSLException)
KSL_EXCEPTION(EProtocol, EKSLException)
KSL_EXCEPTION(EINI, EKSLException)
KSL_EXCEPTION(EFax, EKSLException)
KSL_EXCEPTION(ETapi, EKSLException)
KSL_EXCEPTION(ERas, EKSLException)

KSL_EXCEPTION(EBadArgument, EGeneral)
KSL_EXCEPTION(EGotQuitMsg, EGeneral)
KSL_EXCEPTION(EBufferTooBig, EGeneral)
KSL_EXCEPTION(EPortNotAssigned, EGeneral)
KSL_EXCEPTION(EInternal, EGeneral)
KSL_EXCEPTION(EModemNotAssigned, EGeneral)
KSL_EXCEPTION(EPhonebookNotAssigned, EGeneral)
KSL_EXCEPTION(ECannotUseWithWinSock, EGeneral)

KSL_EXCEPTION(EBadId, EOpenComm)
KSL_EXCEPTION(EBaudRate, EOpenComm)
KSL_EXCEPTION(EByteSize, EOpenComm)
KSL_EXCEPTION(EDefault, EOpenComm)
KSL_EXCEPTION(EHardware, EOpenComm)
KSL_EXCEPTION(EMemory, EOpenComm)
KSL_EXCEPTION(ECommNotOpen, EOpenComm)
KSL_EXCEPTION(EAlreadyOpen, EOpenComm)
KSL_EXCEPTION(ENoHandles, EOpenComm)
KSL_EXCEPTION(ENoTimers, EOpenComm)
KSL_EXCEPTION(ENoPortSelected, EOpenComm)
KSL_EXCEPTION(ENotOpenedByTapi, EOpenComm)

KSL_EXCEPTION(ENullApi, ESerialIO)
KSL_EXCEPTION(ERegisterHandlerFailed, ESerialIO)
KSL_EXCEPTION(EPutBlockFail, ESerialIO)
KSL_EXCEPTION(EGetBlockFail, ESerialIO)
KSL_EXCEPTION(EOutputBufferTooSmall, ESerialIO)
KSL_EXCEPTION(EBufferIsEmpty, ESerialIO)
KSL_EXCEPTION(ETracingNotEnabled, ESerialIO)
KSL_EXCEPTION(ELoggingNotEnabled, ESerialIO)
KSL_EXCEPTION(EBaseAddressNotSet, ESerialIO)

KSL_EXCEPTION(EModemNotStarted, EModem)
KSL_EXCEPTION(EModemBusy, EModem)
KSL_EXCEPTION(EModemNotDialing, EModem)
KSL_EXCEPTION(EModemNotResponding, EModem)
KSL_EXCEPTION(EModemRejectedCommand, EModem)
KSL_EXCEPTION(EModemStatusMismatch, EModem)
KSL_EXCEPTION(EAlreadyDialing, EModem)
KSL_EXCEPTION(ENotDialing, EModem)

KSL_EXCEPTION(ENoMoreTriggers, ETrigger)
KSL_EXCEPTION(ETriggerTooLong, ETrigger)
KSL_EXCEPTION(EBadTriggerHandle, ETrigger)

KSL_EXCEPTION(EKeyTooLong, EINI)
KSL_EXCEPTION(EDataTooLarge, EINI)
KSL_EXCEPTION(EIniWrite, EINI)
KSL_EXCEPTION(EIniRead, EINI)
KSL_EXCEPTION(ERecordExists, EINI)
KSL_EXCEPTION(ERecordNotFound, EINI)
KSL_EXCEPTION(EDatabaseFull, EINI)
KSL_EXCEPTION(EDatabaseEmpty, EINI)
KSL_EXCEPTION(EBadFieldList, EINI)
KSL_EXCEPTION(EBadFieldForIndex, EINI)

KSL_EXCEPTION(EFaxBadFormat, EFax)
KSL_EXCEPTION(EBadGraphicsFormat, EFax)
KSL_EXCEPTION(EConvertAbort, EFax)
KSL_EXCEPTION(EUnpackAbort, EFax)
KSL_EXCEPTION(ECantMakeBitmap, EFax)
KSL_EXCEPTION(EInvalidPageNumber, EFax)
KSL_EXCEPTION(EFaxBadMachine, EFax)
KSL_EXCEPTION(EFaxBadModemResult, EFax)
KSL_EXCEPTION(EFaxTrainError, EFax)
KSL_EXCEPTION(EFaxInitError, EFax)
KSL_EXCEPTION(EFaxBusy, EFax)
KSL_EXCEPTION(EFaxVoiceCall, EFax)
KSL_EXCEPTION(EFaxDataCall, EFax)
KSL_EXCEPTION(EFaxNoDialTone, EFax)
KSL_EXCEPTION(EFaxNoCarrier, EFax)
KSL_EXCEPTION(EFaxSessionError, EFax)
KSL_EXCEPTION(EFaxPageError, EFax)

KSL_EXCEPTION(ETapiAllocated, ETapi)
KSL_EXCEPTION(ETapiBadDeviceID, ETapi)
KSL_EXCEPTION(ETapiBearerModeUnavail, ETapi)
KSL_EXCEPTION(ETapiCallUnavail, ETapi)
KSL_EXCEPTION(ETapiCompletionOverrun, ETapi)
KSL_EXCEPTION(ETapiConferenceFull, ETapi)
KSL_EXCEPTION(ETapiDialBilling, ETapi)
KSL_EXCEPTION(ETapiDialDialtone, ETapi)
KSL_EXCEPTION(ETapiDialPrompt, ETapi)
KSL_EXCEPTION(ETapiDialQuiet, ETapi)
KSL_EXCEPTION(ETapiIncompatibleApiVersion, ETapi)
KSL_EXCEPTION(ETapiIncompatibleExtVersion, ETapi)
KSL_EXCEPTION(ETapiIniFileCorrupt, ETapi)
KSL_EXCEPTION(ETapiInUse, ETapi)
KSL_EXCEPTION(ETapiInvalAddress, ETapi)
KSL_EXCEPTION(ETapiInvalAddressID, ETapi)
KSL_EXCEPTION(ETapiInvalAddressMode, ETapi)
KSL_EXCEPTION(ETapiInvalAddressState, ETapi)
KSL_EXCEPTION(ETapiInvalAppHandle, ETapi)
KSL_EXCEPTION(ETapiInvalAppName, ETapi)
KSL_EXCEPTION(ETapiInvalBearerMode, ETapi)
KSL_EXCEPTION(ETapiInvalCallComplMode, ETapi)
KSL_EXCEPTION(ETapiInvalCallHandle, ETapi)
KSL_EXCEPTION(ETapiInvalCallParams, ETapi)
KSL_EXCEPTION(ETapiInvalCallPrivilege, ETapi)
KSL_EXCEPTION(ETapiInvalCallSelect, ETapi)
KSL_EXCEPTION(ETapiInvalCallState, ETapi)
KSL_EXCEPTION(ETapiInvalCallStatelist, ETapi)
KSL_EXCEPTION(ETapiInvalCard, ETapi)
KSL_EXCEPTION(ETapiInvalCompletionID, ETapi)
KSL_EXCEPTION(ETapiInvalConfCallHandle, ETapi)
KSL_EXCEPTION(ETapiInvalConsultCallHandle, ETapi)
KSL_EXCEPTION(ETapiInvalCountryCode, ETapi)
KSL_EXCEPTION(ETapiInvalDeviceClass, ETapi)
KSL_EXCEPTION(ETapiInvalDeviceHandle, ETapi)
KSL_EXCEPTION(ETapiInvalDialParams, ETapi)
KSL_EXCEPTION(ETapiInvalDigitList, ETapi)
KSL_EXCEPTION(ETapiInvalDigitMode, ETapi)
KSL_EXCEPTION(ETapiInvalDigits, ETapi)
KSL_EXCEPTION(ETapiInvalExtVersion, ETapi)
KSL_EXCEPTION(ETapiInvalGroupID, ETapi)
KSL_EXCEPTION(ETapiInvalLineHandle, ETapi)
KSL_EXCEPTION(ETapiInvalLineState, ETapi)
KSL_EXCEPTION(ETapiInvalLocation, ETapi)
KSL_EXCEPTION(ETapiInvalMediaList, ETapi)
KSL_EXCEPTION(ETapiInvalMediaMode, ETapi)
KSL_EXCEPTION(ETapiInvalMessageID, ETapi)
KSL_EXCEPTION(ETapiInvalParam, ETapi)
KSL_EXCEPTION(ETapiInvalParkID, ETapi)
KSL_EXCEPTION(ETapiInvalParkMode, ETapi)
KSL_EXCEPTION(ETapiInvalPointer, ETapi)
KSL_EXCEPTION(ETapiInvalPrivSelect, ETapi)
KSL_EXCEPTION(ETapiInvalRate, ETapi)
KSL_EXCEPTION(ETapiInvalRequestMode, ETapi)
KSL_EXCEPTION(ETapiInvalTerminalID, ETapi)
KSL_EXCEPTION(ETapiInvalTerminalMode, ETapi)
KSL_EXCEPTION(ETapiInvalTimeout, ETapi)
KSL_EXCEPTION(ETapiInvalTone, ETapi)
KSL_EXCEPTION(ETapiInvalToneList, ETapi)
KSL_EXCEPTION(ETapiInvalToneMode, ETapi)
KSL_EXCEPTION(ETapiInvalTransferMode, ETapi)
KSL_EXCEPTION(ETapiLineMapperFailed, ETapi)
KSL_EXCEPTION(ETapiNoConference, ETapi)
KSL_EXCEPTION(ETapiNoDevice, ETapi)
KSL_EXCEPTION(ETapiNoDriver, ETapi)
KSL_EXCEPTION(ETapiNoMem, ETapi)
KSL_EXCEPTION(ETapiNoRequest, ETapi)
KSL_EXCEPTION(ETapiNotOwner, ETapi)
KSL_EXCEPTION(ETapiNotRegistered, ETapi)
KSL_EXCEPTION(ETapiOperationFailed, ETapi)
KSL_EXCEPTION(ETapiOperationUnavail, ETapi)
KSL_EXCEPTION(ETapiRateUnavail, ETapi)
KSL_EXCEPTION(ETapiResourceUnavail, ETapi)
KSL_EXCEPTION(ETapiRequestOverrun, ETapi)
KSL_EXCEPTION(ETapiStructureTooSmall, ETapi)
KSL_EXCEPTION(ETapiTargetNotFound, ETapi)
KSL_EXCEPTION(ETapiTargetSelf, ETapi)
KSL_EXCEPTION(ETapiUninitialized, ETapi)
KSL_EXCEPTION(ETapiUserUserInfoTooBig, ETapi)
KSL_EXCEPTION(ETapiReinit, ETapi)
KSL_EXCEPTION(ETapiAddressBlocked, ETapi)
KSL_EXCEPTION(ETapiBillingRejected, ETapi)
KSL_EXCEPTION(ETapiInvalFeature, ETapi)
KSL_EXCEPTION(ETapiNoMultipleInstance, ETapi)
KSL_EXCEPTION(ETapiBusy, ETapi)
KSL_EXCEPTION(ETapiNotSet, ETapi)
KSL_EXCEPTION(ETapiNoSelect, ETapi)
KSL_EXCEPTION(ETapiLoadFail, ETapi)
KSL_EXCEPTION(ETapiGetAddrFail, ETapi)
KSL_EXCEPTION(ETapiUnexpected, ETapi)
KSL_EXCEPTION(ETapiVoiceNotSupported, ETapi)
KSL_EXCEPTION(ETapiWaveFail, ETapi)
KSL_EXCEPTION(ETapiTranslateFail, ETapi)

KSL_EXCEPTION(ERasLoadFail, ERas)

#undef KSL_EXCEPTION

// Raises the exception class of a negative code; returns a code >= 0 unchanged. Nothing is
// raised for a sender that is still loading its stored properties (the caller sees the code).
std::int32_t CheckException(const TKslBaseComponent* sender, std::int32_t errorCode);

}  // namespace talvik
