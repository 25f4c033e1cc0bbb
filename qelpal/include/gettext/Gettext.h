#pragma once
// Binding of one text domain to the catalogue directory, made the default
// domain. Without a catalogue directory nothing is bound.
#include "NoCopy.h"

namespace qel {

class Gettext : NoCopy {
public:
    // domain must outlive the object.
    explicit Gettext(const char* domain);

    const char* domain() const { return m_domain; }

private:
    const char* m_domain;
};

} // namespace qel
