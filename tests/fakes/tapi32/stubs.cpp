// The line functions of TAPI32 that no program under test uses: present, so that binding them
// finds them, and unavailable. Declared with their real argument counts, as the standard calling
// convention has the callee take its arguments off the stack.
#include <windows.h>

#define UNAVAILABLE(NAME, ...) \
    extern "C" __declspec(dllexport) LONG WINAPI NAME(__VA_ARGS__) { return 0x80000049L; }

using A = DWORD_PTR;
UNAVAILABLE(lineGenerateTone, A, A, A, A, A)
UNAVAILABLE(lineMonitorTones, A, A, A)
UNAVAILABLE(lineSetCallParams, A, A, A, A, A)
UNAVAILABLE(lineHandoff, A, A, A)
UNAVAILABLE(lineMonitorMedia, A, A)
UNAVAILABLE(lineGenerateDigits, A, A, A, A)
UNAVAILABLE(lineMonitorDigits, A, A)
UNAVAILABLE(lineGetCountry, A, A, A)
UNAVAILABLE(lineConfigDialog, A, A, A)
UNAVAILABLE(lineConfigDialogEdit, A, A, A, A, A, A)
UNAVAILABLE(lineGetStatusMessages, A, A, A)
UNAVAILABLE(lineGetAddressCaps, A, A, A, A, A, A)
UNAVAILABLE(lineGetAddressStatus, A, A, A)
UNAVAILABLE(lineGetLineDevStatus, A, A)
UNAVAILABLE(lineGetDevConfig, A, A, A)
UNAVAILABLE(lineSetDevConfig, A, A, A, A)
UNAVAILABLE(lineSetMediaMode, A, A)
UNAVAILABLE(lineTranslateAddress, A, A, A, A, A, A, A)
UNAVAILABLE(lineTranslateDialog, A, A, A, A, A)
UNAVAILABLE(lineSetCurrentLocation, A, A)
UNAVAILABLE(lineSetTollList, A, A, A, A)
UNAVAILABLE(lineGetTranslateCaps, A, A, A)
