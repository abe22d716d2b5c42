// A small variant, the value type of the control interfaces: empty, Boolean, integers of the
// usual widths, floats, date-times and text, each with its type code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "controls/XcTypes.h"

namespace talvik {

enum TVarType : std::uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varDate = 7,
    varBoolean = 11,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varString = 256,
};

class EVariantError : public std::runtime_error {
public:
    explicit EVariantError(const std::string& m) : std::runtime_error(m) {}
};

class TXcVariant {
public:
    TXcVariant() = default;
    TXcVariant(bool b) : type_(varBoolean), int_(b ? 1 : 0) {}
    TXcVariant(int v) : type_(varInteger), int_(v) {}
    TXcVariant(double v) : type_(varDouble), float_(v) {}
    TXcVariant(const char* s) : type_(varString), text_(s) {}
    TXcVariant(std::string s) : type_(varString), text_(std::move(s)) {}
    static TXcVariant OfInteger(long long v, TVarType type);
    static TXcVariant OfDate(TDateTime d);

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty || type_ == varNull; }

    // Conversions as the framework's variants make them; an impossible one raises EVariantError.
    std::string AsString() const;
    long long AsInteger() const;
    double AsDouble() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const { return AsDouble(); }

    bool operator==(const TXcVariant& o) const = default;

private:
    TVarType type_ = varEmpty;
    long long int_ = 0;
    double float_ = 0;
    std::string text_;
};

}  // namespace talvik
