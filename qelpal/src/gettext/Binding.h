#pragma once
// The one way text domains are bound to a catalogue directory.
#include <string>

namespace qel::gettext_detail {

// Binds domain to dir with UTF-8 as the codeset of the translations.
void bind(const char* domain, const std::string& dir);

} // namespace qel::gettext_detail
