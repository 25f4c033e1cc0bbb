#pragma once
// Internal pieces of the locale set-up; the system-specific ones live in
// os/linux/gettext.
#include <string>

namespace qel::gettext_detail {

// Binds domain to dir with UTF-8 as the codeset of the translations.
void bind(const char* domain, const std::string& dir);

// Target of /proc/self/exe; empty when it cannot be read.
std::string executablePath();
// True when path names a directory (links followed); errors count as no.
bool isDirectory(const std::string& path);
// dir, with the working directory in front when it is relative.
std::string absoluteDir(const std::string& dir);

} // namespace qel::gettext_detail
