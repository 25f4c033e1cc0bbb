#pragma once
// Process-wide locale state: which locale is in force and where the message
// catalogues are, and the binding of text domains to them.
#include <string>

namespace qel {

class Locale {
public:
    // Language choice of the locale set-up.
    enum Language {
        ENGLISH = 0,     // "en_US.utf8"
        GERMAN = 1,      // "de_DE.utf8"
        ENVIRONMENT = 2, // the environment's own locale
    };

    // Directory holding <locale>/LC_MESSAGES/<domain>.mo; empty means that
    // there are no translations.
    static std::string m_locale_dir;
    // Name of the environment variable that names that directory.
    static std::string m_locale_env;

    // Sets the locale, finds the catalogue directory (the variable named by
    // m_locale_env, even when empty; else an "i18n" directory beside the
    // executable or one of its ancestors) and binds "qelpal" to it.
    static void setup(Language language);

    // Binds domain to m_locale_dir without making it the default domain.
    static void bindDomain(const char* domain);

    // The nearest "i18n" directory beside the executable at exe or beside
    // one of its ancestor directories ("/i18n" is never taken); empty when
    // there is none.
    static std::string findCatalogueDir(const std::string& exe);
};

} // namespace qel
