// Reading the conversions of a printf format, as the C library does, to
// compare the arguments a translation would take with those of its original.
#include "gettext/Translate.h"

#include <cstring>
#include <map>
#include <string>

namespace qel {

namespace {

// Argument position (from 1) to the type the conversion reads there.
using Arguments = std::map<unsigned, std::string>;

class FormatReader {
public:
    explicit FormatReader(const char* text) : m_p(text) {}

    // False for a text that printf would not read safely.
    bool read(Arguments& args) {
        while (*m_p) {
            if (*m_p++ != '%')
                continue;
            if (*m_p == '%') {
                ++m_p;
                continue;
            }
            if (!conversion(args))
                return false;
        }
        return true;
    }

private:
    // One conversion after its '%'.
    bool conversion(Arguments& args) {
        unsigned position = 0;
        const bool positional = explicitPosition(position);
        if (!mode(positional))
            return false;
        while (*m_p && std::strchr("-+ #0'I", *m_p))
            ++m_p;
        if (!starOrDigits(args))
            return false;
        if (*m_p == '.') {
            ++m_p;
            if (!starOrDigits(args))
                return false;
        }
        std::string type = length();
        const char c = *m_p;
        if (c == '\0' || c == 'n')
            return false;
        ++m_p;
        if (c == 'm')
            return type.empty(); // the text of errno: no argument
        if (std::strchr("di", c))
            type += 'd';
        else if (std::strchr("ouxX", c))
            type += 'u';
        else if (std::strchr("eEfFgGaA", c))
            type += 'f';
        else if (c == 'C' && type.empty())
            type = "lc";
        else if (c == 'S' && type.empty())
            type = "ls";
        else if (std::strchr("csp", c))
            type += c;
        else
            return false;
        return take(args, positional ? position : ++m_sequential, type);
    }

    // "m$" names the argument; without it the conversions count along.
    bool explicitPosition(unsigned& position) {
        const char* start = m_p;
        unsigned number = digits();
        if (number > 0 && *m_p == '$') {
            ++m_p;
            position = number;
            return true;
        }
        m_p = start;
        return false;
    }

    // A format either names every argument or none.
    bool mode(bool positional) {
        const int wanted = positional ? POSITIONAL : SEQUENTIAL;
        if (m_mode != NONE && m_mode != wanted)
            return false;
        m_mode = wanted;
        return true;
    }

    // A width or precision: digits, or "*" (or "*m$") taking an int.
    bool starOrDigits(Arguments& args) {
        if (*m_p != '*') {
            digits();
            return true;
        }
        ++m_p;
        unsigned position = 0;
        const bool positional = explicitPosition(position);
        if (!mode(positional))
            return false;
        return take(args, positional ? position : ++m_sequential, "d");
    }

    std::string length() {
        static const char* const modifiers[] = {"hh", "h", "ll", "l", "q", "L", "j", "z",
                                                "Z", "t"};
        for (const char* modifier : modifiers) {
            const size_t size = std::strlen(modifier);
            if (std::strncmp(m_p, modifier, size) == 0) {
                m_p += size;
                // Synonyms the C library reads the same way.
                if (*modifier == 'q' || *modifier == 'L')
                    return "ll";
                if (*modifier == 'Z')
                    return "z";
                return modifier;
            }
        }
        return std::string();
    }

    unsigned digits() {
        unsigned number = 0;
        while (*m_p >= '0' && *m_p <= '9') {
            // Far beyond any real argument count; it only must not wrap.
            if (number < 100000)
                number = number * 10 + static_cast<unsigned>(*m_p - '0');
            ++m_p;
        }
        return number;
    }

    // One argument read with one type only.
    static bool take(Arguments& args, unsigned position, const std::string& type) {
        auto inserted = args.emplace(position, type);
        return inserted.second || inserted.first->second == type;
    }

    enum { NONE, SEQUENTIAL, POSITIONAL };

    const char* m_p;
    int m_mode = NONE;
    unsigned m_sequential = 0;
};

bool arguments(const char* text, Arguments& args) { return FormatReader(text).read(args); }

} // namespace

bool sameConversions(const char* original, const char* translation) {
    Arguments wanted;
    Arguments offered;
    return arguments(original, wanted) && arguments(translation, offered) && wanted == offered;
}

} // namespace qel
