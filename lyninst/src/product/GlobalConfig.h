#pragma once
// Reading and writing the global product configuration file with libconfig.
#include "Exception.h"
#include "fs/Path.h"

#include <libconfig.h++>

namespace qel::product {

// Reads path into config. A missing or unreadable file gives false; a file
// with syntax errors raises qel::ConfigError naming the file and the line.
// The error for a fault in the file at path.
ConfigError fileError(const fs::Path& path);

bool openConfig(const fs::Path& path, libconfig::Config& config);

// Replaces the file at path by config without ever leaving a partly written
// file behind; failures raise qel::DynError with message and an FsError
// cause, located in function, the caller's operation.
void writeConfig(libconfig::Config& config, const fs::Path& path, const char* message,
                 const char* function);

} // namespace qel::product
