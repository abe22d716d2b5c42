// Runtime conventions shared by every part of TALVIK: the exception classes with their
// fixed texts, checked indexing and checked 32-bit arithmetic. Index and overflow checks stay
// on everywhere: nothing wraps silently, a bad index raises "Range check error" and an
// overflow raises "Integer overflow".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvik {

// Base of every exception the program raises: it carries the message shown to the user.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

class EIntOverflow : public Exception {
public:
    EIntOverflow() : Exception("Integer overflow") {}
};

// A failed assertion: "%s (%s, line %d)" with its text, the source unit and the line.
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const std::string& text, const std::string& unit, int line);
};

[[noreturn]] void RaiseAssertion(const char* text, const char* file, int line);

#define TALVIK_ASSERT(cond, text) \
    do { if (!(cond)) ::talvik::RaiseAssertion((text), __FILE__, __LINE__); } while (0)

// Raises "Range check error" unless lo <= v <= hi; returns v.
template <class T>
constexpr T RangeCheck(T v, T lo, T hi) {
    if (v < lo || v > hi) throw ERangeError();
    return v;
}

// Narrowing with a range check: the value must fit the target type (e.g. a Byte).
template <class To, class From>
constexpr To CheckedCast(From v) {
    if constexpr (std::numeric_limits<From>::is_signed && !std::numeric_limits<To>::is_signed) {
        if (v < 0) throw ERangeError();
    }
    if (static_cast<long long>(v) < static_cast<long long>(std::numeric_limits<To>::min()) ||
        (v > 0 && static_cast<unsigned long long>(v) >
                      static_cast<unsigned long long>(std::numeric_limits<To>::max())))
        throw ERangeError();
    return static_cast<To>(v);
}

// Checked element access for fixed arrays and vectors; any integer index type.
template <class T, std::size_t N, class I>
constexpr T& At(std::array<T, N>& a, I i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= N) throw ERangeError();
    return a[static_cast<std::size_t>(i)];
}
template <class T, std::size_t N, class I>
constexpr const T& At(const std::array<T, N>& a, I i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= N) throw ERangeError();
    return a[static_cast<std::size_t>(i)];
}
template <class T, std::size_t N, class I>
constexpr T& At(T (&a)[N], I i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= N) throw ERangeError();
    return a[static_cast<std::size_t>(i)];
}
template <class T, class I>
T& At(std::vector<T>& a, I i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= a.size()) throw ERangeError();
    return a[static_cast<std::size_t>(i)];
}
template <class T, class I>
const T& At(const std::vector<T>& a, I i) {
    if (i < 0 || static_cast<unsigned long long>(i) >= a.size()) throw ERangeError();
    return a[static_cast<std::size_t>(i)];
}

// 32-bit signed (Integer) arithmetic that raises "Integer overflow" instead of wrapping.
std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub(std::int32_t a, std::int32_t b);
std::int32_t CheckedMul(std::int32_t a, std::int32_t b);

}  // namespace talvik
