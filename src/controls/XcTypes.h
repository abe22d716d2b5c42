// The controls library's own exception class and the small value types its units share.
// Pure logic: no <windows.h>, so the library's rules are tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace talvik {

class TControl;
class TWinControl;

// An event that only names its sender.
using TNotifyEvent = std::function<void(TControl*)>;

// Every rule violation of the controls library travels as this exception, carrying only its
// message; the application's default exception display shows it.
class EXCLException : public std::runtime_error {
public:
    explicit EXCLException(const std::string& msg) : std::runtime_error(msg) {}
};

// A failed interface query on a control ("supports interface" turned into a checked cast).
class EIntfCastError : public std::runtime_error {
public:
    EIntfCastError() : std::runtime_error("component does not support interface") {}
};

// A colour as the library stores it: 0x00BBGGRR, or one of the two special values.
using TXcColor = std::uint32_t;
constexpr TXcColor clNone = 0x1FFFFFFF;     // use the application's choice
constexpr TXcColor clDefault = 0x20000000;  // ask the parent / the system

// A rectangle in the library's own terms (left, top, right, bottom).
struct TXcRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Date and time as days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

class TUnitVersionRegistration;
extern TUnitVersionRegistration XcTypesUnit;

}  // namespace talvik
