#pragma once
#include "server_address.h"
#include "version_record.h"

#include <string>

// The installed launcher version; empty when the file is missing or unreadable.
std::string ReadLocalVersion();

// The update server's address; empty host or port 0 when it cannot be read.
ServerAddress ReadServerAddress();

// Replaces the version file's content with `version`, no line end added.
// False when the file could not be opened, written or closed.
bool WriteLocalVersion(const std::string& version);

// Fetches the remote version record and fills the fields it names. False when
// the fetch failed or its scratch copy could not be read back.
bool FetchVersionInfo(const ServerAddress& address, VersionInfo& info);
