#pragma once
#include <string>

// The whole GET request for `path` on `host`, composed for any lengths.
std::string ComposeRequest(const char* host, const char* path);
