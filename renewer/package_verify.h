#pragma once
#include "version_record.h"

// True when the file matches every property the record named (its length
// and SHA-256); true as well when the record named none. Anything that keeps
// the check from being made counts as a mismatch.
bool PackageMatches(const char* path, const PackageCheck& check);
