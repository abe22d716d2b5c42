// The link's status and reply texts in the operator's language: the main window's listener
// answers TLinkListener::Text with LinkTextOf(T, LanguageNumber).
#pragma once

#include <string>

#include "link/qvLink.h"

namespace talvik {

std::string LinkTextOf(TLinkText text, int language);

}  // namespace talvik
