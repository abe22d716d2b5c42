// The Win32 build's character classification: the system's character types of the user's
// default locale and its case mapping, code by code.
#include <windows.h>

#include "controls/XcuStrings.h"

namespace talvik {

TXcCharClassifier PlatformCharClassifier() {
    TXcCharClassifier c;
    c.CharType = [](unsigned char ch) -> std::uint16_t {
        char s[1] = {static_cast<char>(ch)};
        WORD type = 0;
        if (!GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, s, 1, &type)) return 0;
        return type;
    };
    c.ToLower = [](unsigned char ch) -> unsigned char {
        char s[1] = {static_cast<char>(ch)};
        CharLowerBuffA(s, 1);
        return static_cast<unsigned char>(s[0]);
    };
    c.ToUpper = [](unsigned char ch) -> unsigned char {
        char s[1] = {static_cast<char>(ch)};
        CharUpperBuffA(s, 1);
        return static_cast<unsigned char>(s[0]);
    };
    return c;
}

}  // namespace talvik
