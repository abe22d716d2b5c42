// Variant conversions.
#include "controls/XcVariant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/format.h"

namespace talvik {

TXcVariant TXcVariant::OfInteger(long long v, TVarType type) {
    TXcVariant r;
    r.type_ = type;
    r.int_ = v;
    return r;
}

TXcVariant TXcVariant::OfDate(TDateTime d) {
    TXcVariant r;
    r.type_ = varDate;
    r.float_ = d;
    return r;
}

namespace {
bool IsIntegerType(TVarType t) {
    switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

std::string FloatText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}
}  // namespace

std::string TXcVariant::AsString() const {
    if (IsEmpty()) return {};
    if (type_ == varBoolean) return int_ ? "True" : "False";
    if (IsIntegerType(type_)) return IntToStr(int_);
    if (type_ == varString) return text_;
    return FloatText(float_);
}

long long TXcVariant::AsInteger() const {
    if (IsEmpty()) return 0;
    if (type_ == varBoolean) return int_ ? -1 : 0;
    if (IsIntegerType(type_)) return int_;
    if (type_ == varString) {
        auto v = TryStrToInt(Trim(text_));
        if (!v) throw EVariantError("Could not convert variant of type (String) into type (Integer)");
        return *v;
    }
    return std::llround(float_);
}

double TXcVariant::AsDouble() const {
    if (IsEmpty()) return 0;
    if (type_ == varBoolean) return int_ ? -1 : 0;
    if (IsIntegerType(type_)) return static_cast<double>(int_);
    if (type_ == varString) {
        std::string t = Trim(text_);
        char* end = nullptr;
        double v = std::strtod(t.c_str(), &end);
        if (t.empty() || *end) throw EVariantError("Could not convert variant of type (String) into type (Double)");
        return v;
    }
    return float_;
}

bool TXcVariant::AsBoolean() const {
    if (type_ == varBoolean) return int_ != 0;
    if (IsEmpty()) return false;
    if (IsIntegerType(type_)) return int_ != 0;
    if (type_ == varString) {
        std::string u = UpperCase(Trim(text_));
        if (u == "TRUE") return true;
        if (u == "FALSE") return false;
        if (auto v = TryStrToInt(u)) return *v != 0;
        throw EVariantError("Could not convert variant of type (String) into type (Boolean)");
    }
    return float_ != 0;
}

}  // namespace talvik
