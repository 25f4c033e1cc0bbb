#pragma once
// Blocks every signal in the calling thread for its lifetime. Threads
// inherit the mask of their creator, so threads started inside one never
// take an asynchronous signal: only the signal handler thread collects them.
#include "NoCopy.h"

#include <signal.h>

namespace qel::thread {

class SignalBlock : public NoCopy {
public:
    SignalBlock();
    ~SignalBlock();

private:
    sigset_t m_previous;
};

} // namespace qel::thread
