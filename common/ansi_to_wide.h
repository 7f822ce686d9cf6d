#pragma once
#include <string>

// Converts NUL-terminated text in the system ANSI code page to UTF-16.
// Returns the empty string when the conversion or the allocation fails.
std::wstring AnsiToWide(const char* text);
