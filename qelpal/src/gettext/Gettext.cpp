#include "gettext/Gettext.h"

#include "gettext/Binding.h"
#include "Exception.h"
#include "gettext/Locale.h"

#include <cerrno>
#include <libintl.h>

namespace qel {

Gettext::Gettext(const char* domain) : m_domain(domain) {
    if (Locale::m_locale_dir.empty()) {
        return;
    }
    gettext_detail::bind(m_domain, Locale::m_locale_dir);
    if (::textdomain(m_domain) == nullptr) {
        OsError e(errno);
        QEL_LOCATE(e);
        e.raise();
    }
}

} // namespace qel
