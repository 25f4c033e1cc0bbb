#include "term/Color.h"

#include <iostream>

namespace qel::term {

bool Terminal::m_stdout_color = false;
bool Terminal::m_stderr_color = false;

bool Terminal::colorOn(const std::ostream& os) {
    return (&os == &std::cout && m_stdout_color) || (&os == &std::cerr && m_stderr_color);
}

namespace {

const char esc = '\x1b';

void writeColor(std::ostream& os, char layer, int color, bool bright) {
    if (color == UNCHANGED)
        return;
    os << esc << '[' << (bright ? '1' : '2') << 'm' << esc << '[' << layer
       << static_cast<char>('0' + color) << 'm';
}

} // namespace

std::ostream& operator<<(std::ostream& os, const ColorSpec& spec) {
    if (!spec.force && !Terminal::colorOn(os))
        return os;
    writeColor(os, '4', spec.background, spec.background_bright);
    writeColor(os, '3', spec.foreground, spec.foreground_bright);
    return os;
}

std::ostream& operator<<(std::ostream& os, const AttrSpec& spec) {
    if (!spec.force && !Terminal::colorOn(os))
        return os;
    if (spec.flags & ATTR_RESET)
        os << esc << "[0m";
    if (spec.flags & ATTR_UNDERLINE)
        os << esc << "[4m";
    if (spec.flags & ATTR_BLINK)
        os << esc << "[5m";
    return os;
}

ColorGuard::ColorGuard(const ColorSpec& spec, std::ostream& os) : m_spec(spec), m_stream(&os) {
    *m_stream << m_spec;
}

ColorGuard::ColorGuard(const ColorGuard& other) : ColorGuard(other.m_spec, *other.m_stream) {}

ColorGuard::~ColorGuard() {
    *m_stream << AttrSpec{ATTR_RESET, m_spec.force};
    m_stream->flush();
}

// Built while colour is still off everywhere, so they write nothing now; at
// the normal end of the process they reset their streams.
const ColorGuard vc_guard(ColorSpec{CYAN, false, UNCHANGED, false, false}, std::cout);
const ColorGuard wc_guard(ColorSpec{YELLOW, false, UNCHANGED, false, false}, std::cerr);
const ColorGuard ec_guard(ColorSpec{RED, false, UNCHANGED, false, false}, std::cerr);
const ColorGuard gc_guard(ColorSpec{GREEN, false, UNCHANGED, false, false}, std::cout);

} // namespace qel::term
