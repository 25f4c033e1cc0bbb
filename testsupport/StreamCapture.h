#pragma once
// Redirects a standard stream (std::cout, std::cerr) into a string for the
// life of the object; the stream object itself stays the same, so code that
// asks "is this standard output?" still gets the right answer.
#include <ostream>
#include <sstream>
#include <string>

namespace qel::test {

class StreamCapture {
public:
    explicit StreamCapture(std::ostream& os) : m_os(os), m_saved(os.rdbuf(m_buffer.rdbuf())) {}
    ~StreamCapture() { m_os.rdbuf(m_saved); }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::string text() const { return m_buffer.str(); }

private:
    std::ostream& m_os;
    std::ostringstream m_buffer;
    std::streambuf* m_saved;
};

} // namespace qel::test
