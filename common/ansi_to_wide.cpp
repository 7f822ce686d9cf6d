#include "ansi_to_wide.h"

#include <windows.h>

#include <cstring>
#include <new>

std::wstring AnsiToWide(const char* text)
{
    const int inputLength = static_cast<int>(std::strlen(text));
    if (inputLength == 0)
        return std::wstring();
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, inputLength, nullptr, 0);
    if (wideLength <= 0)
        return std::wstring();
    try {
        std::wstring wide(static_cast<size_t>(wideLength), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, inputLength, &wide[0], wideLength);
        return wide;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}
