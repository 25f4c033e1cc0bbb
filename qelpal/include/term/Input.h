#pragma once
// Reading the user's answers from a descriptor in a way that a quit request
// can end: a waiting read returns as at the end of input.
#include <string>

namespace qel::term {

class Input {
public:
    // Creates the wake-up channel. Called once at start-up on the main
    // thread, before any quit request can arrive; raises qel::OsError.
    static void setup();

    // Ends every waiting and every later readLine, as at the end of input.
    // Safe on any thread and in a quit handler: one write(), no lock.
    static void interrupt();

    // Reads one line (without its line end) from fd. Reads byte by byte so
    // that nothing after the line is taken from a descriptor that children
    // inherit. Returns false at the end of input, on a read error and after
    // interrupt(); line then holds what was read.
    static bool readLine(int fd, std::string& line);
};

} // namespace qel::term
