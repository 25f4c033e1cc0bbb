// qel-gettext: prints the translation of a text for the products' shell
// scripts, which cannot count on gettext(1) being installed on the server.
// The catalogues are those of QEL_I18N_DIR, else of the nearest "i18n"
// directory above the program (the payload's or the installation's).
#include "Exception.h"
#include "gettext/Locale.h"
#include "gettext/Tr.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        qel::Locale::setup(qel::Locale::ENVIRONMENT);
        qel::Locale::bindDomain("lyninfo");
        if (argc != 3) {
            std::cerr << QEL_TR_INFO("Usage: qel-gettext DOMAIN TEXT\n"
                                     "Prints the translation of TEXT in the text domain DOMAIN.\n");
            return 2;
        }
        qel::Locale::bindDomain(argv[1]);
        // The scripts use some translations as printf formats.
        std::cout << qel::translate(argv[1], argv[2]);
    } catch (const qel::Exception&) {
        // Without catalogues the text stays as it is.
        if (argc == 3)
            std::cout << argv[2];
    }
    return 0;
}
