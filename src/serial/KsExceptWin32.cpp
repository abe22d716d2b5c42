// The platform's own message texts, for result codes the library's table leaves empty.
#include <windows.h>

#include "base/format.h"
#include "serial/KsExcept.h"

namespace talvik {

std::string SystemErrorText(std::uint32_t code) {
    wchar_t buf[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buf, 255, nullptr);
    if (n == 0) return {};
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buf), n));
}

}  // namespace talvik
