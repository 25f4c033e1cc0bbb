#include "gettext/Translate.h"

#include <libintl.h>

namespace qel {

const char* translate(const char* domain, const char* msgid) {
    const char* translated = domain ? ::dgettext(domain, msgid) : ::gettext(msgid);
    if (translated == msgid || sameConversions(msgid, translated))
        return translated;
    return msgid;
}

} // namespace qel
