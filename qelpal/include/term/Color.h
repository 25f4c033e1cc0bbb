#pragma once
// Terminal colours: whether each standard stream gets colour, colour and
// attribute specifications written as escape sequences, and scoped guards
// that apply a colour for one piece of output.
#include <iosfwd>

namespace qel::term {

// ANSI colour numbers.
enum ColorNumber { BLACK = 0, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE, UNCHANGED = -1 };

struct ColorSpec {
    int foreground = UNCHANGED;
    bool foreground_bright = false;
    int background = UNCHANGED;
    bool background_bright = false;
    // Write the sequences even when colour is off for the stream.
    bool force = false;
};

enum AttrFlag { ATTR_RESET = 0x1, ATTR_UNDERLINE = 0x2, ATTR_BLINK = 0x4 };

struct AttrSpec {
    int flags = 0;
    bool force = false;
};

class Terminal {
public:
    // Colour sequences go to standard output / standard error. Set once at
    // start-up by setup() and only read afterwards.
    static bool m_stdout_color;
    static bool m_stderr_color;

    // Decides both flags from the environment (QEL_NO_COLOR wins over
    // QEL_FORCE_COLOR) and from whether descriptors 1 and 2 are terminals.
    static void setup();

    // The one rule whether colour sequences may be written to a stream.
    static bool colorOn(const std::ostream& os);
};

std::ostream& operator<<(std::ostream& os, const ColorSpec& spec);
std::ostream& operator<<(std::ostream& os, const AttrSpec& spec);

// Writes its colour to the stream when built; resets all attributes and
// flushes the stream when it ends. Guards do not nest: an inner guard's end
// resets everything.
class ColorGuard {
public:
    ColorGuard(const ColorSpec& spec, std::ostream& os);
    ColorGuard(const ColorGuard& other);
    ColorGuard& operator=(const ColorGuard&) = delete;
    ~ColorGuard();

    std::ostream& stream() const { return *m_stream; }

private:
    ColorSpec m_spec;
    std::ostream* m_stream;
};

// Copy one of these for the duration of an output in its colour.
extern const ColorGuard vc_guard; // verbose information, cyan on standard output
extern const ColorGuard wc_guard; // warnings, yellow on standard error
extern const ColorGuard ec_guard; // errors and the "failed" mark, red on standard error
extern const ColorGuard gc_guard; // the "succeeded" mark, green on standard output

} // namespace qel::term
