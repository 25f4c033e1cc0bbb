#include "Binding.h"

#include <libintl.h>

namespace qel::gettext_detail {

void bind(const char* domain, const std::string& dir) {
    ::bindtextdomain(domain, dir.c_str());
    // Translations come out as UTF-8 whatever the locale's own codeset is.
    ::bind_textdomain_codeset(domain, "UTF-8");
}

} // namespace qel::gettext_detail
