// Number-text and rectangle helpers of the controls library, and the locale separators they
// read. The spin edit reads its value through NormaliseNumberText.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include <string>

#include "controls/XcTypes.h"

namespace talvik {

// The separators of the user's locale (the library's start-up reads them from the system).
struct TXcFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
};
TXcFormatSettings& XcFormatSettings();

// Turns typed number text into text a number conversion accepts: blanks trimmed, thousand
// separators dropped, either "." or "," taken as the decimal separator, everything but digits,
// signs and separators left out; "" becomes "0" and "-" becomes "-0".
std::string NormaliseNumberText(const std::string& s, char decimalSep, char thousandSep);
std::string NormaliseNumberText(const std::string& s);

inline int RectWidth(const TXcRect& r) { return r.Right >= r.Left ? r.Right - r.Left : r.Left - r.Right; }
inline int RectHeight(const TXcRect& r) { return r.Bottom >= r.Top ? r.Bottom - r.Top : r.Top - r.Bottom; }

extern TUnitVersionRegistration XcXCUUtilsUnit;

}  // namespace talvik
