// Exception texts and checked arithmetic.
#include "base/rtl.h"

#include <cstring>

#include "base/format.h"

namespace talvik {

namespace {
// The unit name of a source path: its file name without folders and extension.
std::string UnitName(const char* file) {
    const char* base = file;
    for (const char* p = file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    std::string name(base);
    auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}
}  // namespace

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& unit, int line)
    : Exception(Format("%s (%s, line %d)", text.c_str(), unit.c_str(), line)) {}

void RaiseAssertion(const char* text, const char* file, int line) {
    throw EAssertionFailed(text, UnitName(file), line);
}

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_add_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}
std::int32_t CheckedSub(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}
std::int32_t CheckedMul(std::int32_t a, std::int32_t b) {
    std::int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) throw EIntOverflow();
    return r;
}

}  // namespace talvik
