#pragma once
#include <string>

// The Windows C runtime's text-mode rules, applied to bytes so that the local
// files read the same whatever runtime the program is built with.
std::string DecodeTextMode(const std::string& raw);
std::string EncodeTextMode(const std::string& text);
