// Variant tests that the control wrappers use to read values handed to them.
#pragma once

#include <cstdint>

#include "controls/XcuUnitVersioning.h"

#include "controls/XcVariant.h"

namespace talvik {

// True for the variant integer types (small, integer, short, byte, word, long word).
bool XcVarIsInteger(const TXcVariant& v);
// A Boolean variant gives its value; any other is compared, as upper-cased text, with "TRUE".
bool XcVarToBoolean(const TXcVariant& v);

// The file-name editor's dialog options: a set whose bit i is option i of this list (not
// Win32 flags). The editor's default is hide read-only and enable sizing, 0x80004.
enum TXcOpenOption : unsigned {
    ofReadOnly = 1u << 0, ofOverwritePrompt = 1u << 1, ofHideReadOnly = 1u << 2, ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4, ofNoValidate = 1u << 5, ofAllowMultiSelect = 1u << 6, ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8, ofFileMustExist = 1u << 9, ofCreatePrompt = 1u << 10, ofShareAware = 1u << 11,
    ofNoReadOnlyReturn = 1u << 12, ofNoTestFileCreate = 1u << 13, ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15, ofOldStyleDialog = 1u << 16, ofNoDereferenceLinks = 1u << 17,
    ofEnableIncludeNotify = 1u << 18, ofEnableSizing = 1u << 19, ofDontAddToRecent = 1u << 20,
    ofForceShowHidden = 1u << 21
};
constexpr unsigned kDefaultFileNameOptions = ofHideReadOnly | ofEnableSizing;
// The system file dialog's flags (OPENFILENAME.Flags) for a set of options: the explorer-style
// dialog unless the old style is asked for.
std::uint32_t OpenDialogFlags(unsigned options);

extern TUnitVersionRegistration XcDynControlEngineToolsUnit;

}  // namespace talvik
